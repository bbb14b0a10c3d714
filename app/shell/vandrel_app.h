// The application: the globals, the platform over a backend, the main frame
// and the pages; start-up, the optional table given on the command line,
// then the message loop until "Exit".
#pragma once
#include <memory>

#include "app_options.h"
#include "platform/backend.h"

namespace vshell {

// Runs the program; returns its exit status.
int runApp(const AppOptions &options, std::unique_ptr<vp::Backend> backend);

}  // namespace vshell
