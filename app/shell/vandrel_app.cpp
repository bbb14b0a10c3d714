#include "vandrel_app.h"

#include <cstdio>

#include "brindle.h"
#include "globals.h"
#include "main_frame.h"
#include "pages/grid_page.h"
#include "platform/message_box.h"
#include "platform/platform.h"
#include "platform/utf.h"
#include "session_adapters.h"

namespace vshell {

int runApp(const AppOptions &options, std::unique_ptr<vp::Backend> backend) {
    Globals g;
    setGlobals(&g);
    int status = 1;
    {
        vp::Platform platform(std::move(backend), options.scale);
        if (!platform.start()) {
            setGlobals(nullptr);
            return 1;
        }
        vp::installEngineErrorBox();
        WaitCursorIndicator busy;
        g.session.setBusyIndicator(&busy);
        CMainFrame frame(g);
        std::unique_ptr<vpages::GridPage> grid;
        bool created = frame.create([&] {
            grid = std::make_unique<vpages::GridPage>(g);
            g.panes.setPane(kGridPane, grid.get());
            frame.clearGridSelection = [&] { grid->clearSelectedRecord(); };
        });
        if (!created) {
            std::fprintf(stderr, "vandrel: no font for \"Tahoma\" could be loaded\n");
        } else {
            platform.onState = [&](vp::StateReport &r) {
                r.pane = g.panes.current();
                if (Pane *p = g.panes.currentPane()) {
                    r.title = p->title();
                    r.counter = p->counter();
                }
            };
            if (!options.table.empty()) frame.openTable(vp::fromUtf8(options.table));
            status = platform.run();
        }
        g.session.closeTable();
        g.session.setBusyIndicator(nullptr);
        error4setDisplay(nullptr);
        for (int h = 0; h < kHostCount; h++) g.panes.host(h).clear();
    }
    setGlobals(nullptr);
    return status;
}

}  // namespace vshell
