// vandrel [TABLE] [--scale N] [--headless --script FILE --out DIR]
#include <cstdio>

#include "app_options.h"
#include "platform/headless_backend.h"
#include "platform/sdl_backend.h"
#include "vandrel_app.h"

int main(int argc, char **argv) {
    vshell::AppOptions options;
    std::string error;
    if (!vshell::parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "vandrel: %s\n%s", error.c_str(), vshell::usageText());
        return 2;
    }
    if (options.help) {
        std::fputs(vshell::usageText(), stdout);
        return 0;
    }
    std::unique_ptr<vp::Backend> backend;
    if (options.headless)
        backend = std::make_unique<vp::HeadlessBackend>(options.script, options.out);
    else
        backend = std::make_unique<vp::SdlBackend>();
    return vshell::runApp(options, std::move(backend));
}
