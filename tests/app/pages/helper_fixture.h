// The shell with the input helpers in their slots, over the headless runner
// playing a script, and an owner page in the form view's slot standing in
// for the form view: a column of value cells (as the form list lays them
// out: x 84-222 on the page, rows 13 high from y 35) that opens the helper of
// each cell's kind on a double tap, the way the form view does.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "../app_test_util.h"
#include "pages/calculator_pane.h"
#include "pages/calendar.h"
#include "pages/date_picker_pane.h"
#include "pages/field_editor_pane.h"
#include "shell/globals.h"
#include "shell/main_frame.h"
#include "shell/platform/headless_backend.h"
#include "shell/platform/platform.h"

namespace vt {

// What a value cell holds and how it is edited.
struct Value {
    enum Kind { kNumber, kDate, kText } kind;
    int row;  // form row 1 ... 15
    std::u16string text;
    double number = 0;
    int decimals = 0;
    vandrel::FieldEntry entry{};
};

class OwnerPage : public vshell::Pane {
public:
    static constexpr vp::Rect kArea{4, 22, 236, 232};
    static constexpr int kValueLeft = 80, kValueRight = 218, kRowHeight = 13;

    OwnerPage(vshell::Globals &g, std::vector<Value> values) : g_(g), values_(std::move(values)) {
        for (const Value &v : values_) {
            vpages::Cell c;
            c.rect = {kValueLeft, kRowHeight * v.row, kValueRight, kRowHeight * (v.row + 1)};
            c.text = v.text;
            c.number = v.number;
            c.style = &style_;
            panel.cells.push_back(c);
        }
        style_.font = g.skin.font(1);
        style_.background = style_.background2 = vp::rgb(192, 255, 192);
        style_.borders = vpages::kBorderRight | vpages::kBorderBottom;
        style_.line = vp::rgb(176, 168, 144);
        panel.columns = 1;
        panel.onDoubleTap = [this](int cell, vp::Point) { open(cell); };
        panel.onPenDown = [this](int cell, vp::Point) { penDowns.push_back(cell); };
        panel.onTap = [this](int cell, vp::Point) { taps.push_back(cell); };
    }
    void activate(bool shown, int reason) override {
        if (!shown) {
            g_.panes.host(1).clear();
            return;
        }
        reasons.push_back(reason);
        g_.panes.host(1).place(&panel, kArea);
    }
    std::u16string title() const override { return u"Owner"; }

    // A cell's rectangle on the page.
    vp::Rect pageRect(int cell) const { return vpages::cellOnPage(panel, panel.cells[size_t(cell)].rect); }
    vpages::Cell &cell(int i) { return panel.cells[size_t(i)]; }
    Value &value(int i) { return values_[size_t(i)]; }

    vpages::CellPanel panel{"owner"};
    std::vector<int> results, reasons, penDowns, taps;
    vpages::CalculatorPane *calculator = nullptr;
    vpages::DatePickerPane *picker = nullptr;
    vpages::FieldEditorPane *editor = nullptr;

private:
    void open(int i) {
        vpages::Cell &c = cell(i);
        Value &v = value(i);
        switch (v.kind) {
        case Value::kNumber:
            calculator->open(c, v.decimals);
            results.push_back(calculator->run(vpages::CalculatorPane::placement(pageRect(i))));
            if (results.back() == 1) v.entry.modified = 1;
            break;
        case Value::kDate: {
            if (vpages::isDayNumber(c.number)) {
                v.entry.modified = 1;
                picker->setDate(vpages::hoursOf(vpages::dateOfDayNumber(long(c.number))));
            } else {
                picker->setDate(vpages::hoursOf(vpages::today()));
            }
            results.push_back(picker->run(vpages::DatePickerPane::placement(pageRect(i))));
            if (results.back() == 1) {
                vpages::CivilDate d = vpages::dateOfHours(picker->date());
                c.number = double(vpages::dayNumberOf(d));
                std::string s = vpages::ccyymmdd(d);
                c.text.assign(s.begin(), s.end());
            }
            break;
        }
        case Value::kText:
            v.entry.modified = 1;
            editor->edit(c, v.entry);
            break;
        }
    }
    vshell::Globals &g_;
    std::vector<Value> values_;
    vpages::CellStyle style_;
};

class HelperTest : public ::testing::Test {
protected:
    // Starts the shell on a script with the owner page showing values.
    void start(const std::string &script, std::vector<Value> values) {
        vshell::setGlobals(&g);
        auto backend = vp::HeadlessBackend::fromText(script, dir.path());
        headless = backend.get();
        platform = std::make_unique<vp::Platform>(std::move(backend), 1);
        ASSERT_TRUE(platform->start());
        frame = std::make_unique<vshell::CMainFrame>(g);
        bool made = frame->create([&] {
            owner = std::make_unique<OwnerPage>(g, std::move(values));
            calculator = std::make_unique<vpages::CalculatorPane>(g);
            picker = std::make_unique<vpages::DatePickerPane>(g);
            editor = std::make_unique<vpages::FieldEditorPane>(g);
            g.panes.setPane(vshell::kFormPane, owner.get());
            g.panes.setPane(vshell::kCalculatorPane, calculator.get());
            g.panes.setPane(vshell::kDatePickerPane, picker.get());
            g.panes.setPane(vshell::kTextEditorPane, editor.get());
            owner->calculator = calculator.get();
            owner->picker = picker.get();
            owner->editor = editor.get();
        });
        ASSERT_TRUE(made);
        platform->onState = [this](vp::StateReport &r) {
            r.pane = g.panes.current();
            if (vshell::Pane *p = g.panes.currentPane()) {
                r.title = p->title();
                r.counter = p->counter();
            }
        };
        g.panes.switchTo(vshell::kFormPane, 0, vshell::kReasonRequery);
    }
    void run() { EXPECT_EQ(platform->run(), 0); }
    void TearDown() override {
        for (int h = 0; h < vshell::kHostCount; h++) g.panes.host(h).clear();
        editor.reset();
        picker.reset();
        calculator.reset();
        owner.reset();
        frame.reset();
        platform.reset();
        vshell::setGlobals(nullptr);
    }
    std::string state(const std::string &name) const { return slurpText(dir.file(name + ".json")); }
    std::string shot(const std::string &name) const { return dir.file(name + ".png"); }

    // A value cell's rectangle on the page.
    static vp::Rect valueRect(int row) {
        return {OwnerPage::kArea.left + OwnerPage::kValueLeft, OwnerPage::kArea.top + OwnerPage::kRowHeight * row,
                OwnerPage::kArea.left + OwnerPage::kValueRight, OwnerPage::kArea.top + OwnerPage::kRowHeight * (row + 1)};
    }
    // The screen point of a value cell's middle, and a script line tapping there.
    vp::Point cellPoint(int row) const {
        return {OwnerPage::kArea.left + (OwnerPage::kValueLeft + OwnerPage::kValueRight) / 2,
                vp::kTitleBarHeight + OwnerPage::kArea.top + OwnerPage::kRowHeight * row + OwnerPage::kRowHeight / 2};
    }
    static std::string at(const char *verb, vp::Point p) {
        return std::string(verb) + " " + std::to_string(p.x) + " " + std::to_string(p.y) + "\n";
    }
    std::string openRow(int row) const { return at("dtap", cellPoint(row)); }

    TempDir dir;
    vshell::Globals g;
    std::unique_ptr<vp::Platform> platform;
    vp::HeadlessBackend *headless = nullptr;
    std::unique_ptr<vshell::CMainFrame> frame;
    std::unique_ptr<OwnerPage> owner;
    std::unique_ptr<vpages::CalculatorPane> calculator;
    std::unique_ptr<vpages::DatePickerPane> picker;
    std::unique_ptr<vpages::FieldEditorPane> editor;
};

}  // namespace vt
