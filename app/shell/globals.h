// The program's global objects, made before the main window and gone at
// exit: the application title, the skin, the database session and the pane
// manager. (The image name table is a constant of skin_images.h.)
#pragma once
#include <string>

#include "pane_manager.h"
#include "skin_images.h"
#include "table_session.h"

namespace vshell {

struct Globals {
    const std::u16string appTitle = u"Vandrel";
    SkinImages skin;
    vandrel::TableSession session;
    PaneManager panes;
};

// The one set of globals; exists while the app runs.
Globals &globals();
void setGlobals(Globals *g);

}  // namespace vshell
