#include "vandrel_app.h"

#include <cstdio>

#include "brindle.h"
#include "globals.h"
#include "main_frame.h"
#include "pages/arrangement_pane.h"
#include "pages/calculator_pane.h"
#include "pages/date_picker_pane.h"
#include "pages/field_editor_pane.h"
#include "pages/filter_pane.h"
#include "pages/form_view_pane.h"
#include "pages/grid_page.h"
#include "pages/sort_pane.h"
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
        std::unique_ptr<vpages::SortPane> sort;
        std::unique_ptr<vpages::FilterPane> filter;
        std::unique_ptr<vpages::ArrangementPane> arrangement;
        std::unique_ptr<vpages::CalculatorPane> calculator;
        std::unique_ptr<vpages::DatePickerPane> datePicker;
        std::unique_ptr<vpages::FieldEditorPane> fieldEditor;
        std::unique_ptr<vpages::FormViewPane> form;
        bool created = frame.create([&] {
            grid = std::make_unique<vpages::GridPage>(g);
            g.panes.setPane(kGridPane, grid.get());
            sort = std::make_unique<vpages::SortPane>(g);
            g.panes.setPane(kSortPane, sort.get());
            filter = std::make_unique<vpages::FilterPane>(g);
            g.panes.setPane(kFilterPane, filter.get());
            arrangement = std::make_unique<vpages::ArrangementPane>(g);
            g.panes.setPane(kArrangePane, arrangement.get());
            calculator = std::make_unique<vpages::CalculatorPane>(g);
            g.panes.setPane(kCalculatorPane, calculator.get());
            datePicker = std::make_unique<vpages::DatePickerPane>(g);
            g.panes.setPane(kDatePickerPane, datePicker.get());
            fieldEditor = std::make_unique<vpages::FieldEditorPane>(g);
            g.panes.setPane(kTextEditorPane, fieldEditor.get());
            form = std::make_unique<vpages::FormViewPane>(g);
            g.panes.setPane(kFormPane, form.get());
            grid->loadFormRecord = [&](long record) { form->showRecord(record, false); };
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
