#include "grid_page.h"

#include <cstdio>

#include "shell/platform/message_box.h"
#include "shell/platform/platform.h"

namespace vpages {

namespace {
enum TitleCell { kTitleCell = 0, kActionsCell = 1 };
const Color kEmptyBackground = rgb(255, 255, 208);
const Color kRowsBackground = rgb(255, 255, 255);

std::u16string widen(const char *s) { return std::u16string(s, s + std::char_traits<char>::length(s)); }
}  // namespace

GridPage::GridPage(vshell::Globals &g) : g_(g), grid_(g.session, styles_) {
    makeStyles();
    vshell::SkinImages &skin = g_.skin;
    titleStrip_.cells.resize(2);
    titleStrip_.cells[kTitleCell] = {.rect = {0, 0, 168, 18}, .style = &titleStyle_};
    titleStrip_.cells[kActionsCell] = {.rect = {172, 1, 232, 17}, .text = u"Actions", .style = &actionsStyle_};
    titleStrip_.background = skin.image(0);
    titleStrip_.backgroundSource = {0, 0, kTitleStrip.width(), kTitleStrip.height()};
    titleStrip_.onTap = [this](int cell, vp::Point) {
        if (cell == kActionsCell) showActions();
    };

    grid_.onSelectionChanged = [this] {
        updateCounter();
        updateButtons();
    };
    grid_.onHeaderTap = [this](int column, vp::Point pen) { showHeaderMenu(column, pen); };
    grid_.onDoubleTap = [this](int row, int column, vp::Point pen) {
        if (row > 0) showCellMenu(row, column, pen);
    };

    commandStrip_.background = skin.image(4);
    commandStrip_.backgroundSource = {0, 0, kCommandStrip.width(), kCommandStrip.height()};
    commandStrip_.cells.resize(5);
    commandStrip_.cells[kCounterCell] = {.rect = {4, 1, 124, 21}, .style = &counterStyle_};
    // The form view, delete, filter and sort buttons: 18 x 21 glyphs from
    // the strip's image, hidden until they apply.
    for (int i = 0; i < 4; i++) {
        Cell &b = commandStrip_.cells[size_t(kFormButton + i)];
        b.rect = {128 + 20 * i, 1, 146 + 20 * i, 22};
        b.image = commandStrip_.background;
        b.source = {232 + 20 * i, 1, 250 + 20 * i, 22};
        b.shown = false;
    }
    commandStrip_.onTap = [this](int cell, vp::Point) { commandTapped(cell); };
}

void GridPage::makeStyles() {
    vshell::SkinImages &skin = g_.skin;
    styles_.make(skin.font(1));
    titleStyle_ = {.text = rgb(255, 255, 255), .font = skin.font(5), .transparent = true};
    actionsStyle_ = {.background = rgb(0, 64, 160), .background2 = rgb(0, 32, 112), .text = rgb(255, 255, 255),
                     .line = rgb(160, 192, 255), .align = vp::Align::Center, .font = skin.font(1),
                     .borders = kBorderLeft | kBorderTop | kBorderRight | kBorderBottom};
    emptyStyle_ = {.text = rgb(0, 0, 0), .align = vp::Align::Center, .font = skin.font(6), .transparent = true};
    counterStyle_ = {.text = rgb(0, 0, 0), .font = skin.font(1), .transparent = true};
}

void GridPage::activate(bool shown, int reason) {
    vshell::PaneManager &panes = g_.panes;
    if (!shown) {
        for (int h = 0; h < 3; h++) panes.host(h).clear();
        return;
    }
    panes.host(0).place(&titleStrip_, kTitleStrip);
    panes.host(1).place(&grid_, kGridArea);
    panes.host(2).place(&commandStrip_, kCommandStrip);
    vandrel::TableSession &s = g_.session;
    if (reason == 0 || reason == 1)
        s.applyFilter();
    else if (reason == 2)
        s.applySort();
    titleStrip_.cells[kTitleCell].text = s.tableTitle();
    grid_.rebuildColumns(true);
    grid_.fetchRows();
    grid_.sizeColumns(0);
    grid_.updateScrollBars();
    showState();
}

void GridPage::redraw() {
    grid_.updateScrollBars();
    grid_.fetchRows();
    showState();
}

void GridPage::showState() {
    bool empty = !g_.session.isOpen() || grid_.total == 0;
    grid_.setBackground(empty ? kEmptyBackground : kRowsBackground, empty ? g_.session.tableTitle() : u"",
                        &emptyStyle_);
    updateCounter();
    updateButtons();
}

void GridPage::updateCounter() {
    char text[64];
    if (grid_.selected < 0)
        std::snprintf(text, sizeof text, "Total: %ld", grid_.total);
    else
        std::snprintf(text, sizeof text, "%ld of %ld", grid_.selected + 1, grid_.total);
    Cell &counter = commandStrip_.cells[kCounterCell];
    std::u16string t = widen(text);
    if (counter.text == t) return;
    counter.text = t;
    commandStrip_.invalidateArea(counter.rect);
}

void GridPage::updateButtons() {
    const vandrel::TableSession &s = g_.session;
    bool shown[4] = {grid_.selectedRecord >= 1, grid_.selectedRecord >= 1, s.filterConditions.count() > 0,
                     s.sortKeys.count() > 0};
    for (int i = 0; i < 4; i++) {
        Cell &b = commandStrip_.cells[size_t(kFormButton + i)];
        if (b.shown == shown[i]) continue;
        b.shown = shown[i];
        commandStrip_.invalidateArea(b.rect);
    }
}

void GridPage::commandTapped(int cell) {
    vshell::PaneManager &panes = g_.panes;
    switch (cell) {
    case kFormButton:
        if (grid_.selectedRecord < 1) {
            vp::Platform::get().beep();
            return;
        }
        if (loadFormRecord) loadFormRecord(grid_.selectedRecord);
        panes.switchTo(vshell::kFormPane, 2, vshell::kReasonRequery);
        break;
    case kDeleteButton: deleteSelected(); break;
    case kFilterButton:
        if (g_.session.filterConditions.count() > 0) panes.switchTo(vshell::kFilterPane, 2, vshell::kReasonRequery);
        break;
    case kSortButton:
        if (g_.session.sortKeys.count() > 0) panes.switchTo(vshell::kSortPane, 2, vshell::kReasonRequery);
        break;
    }
}

void GridPage::deleteSelected() {
    if (grid_.selectedRecord < 1) {
        vp::Platform::get().beep();
        return;
    }
    if (vp::messageBox(u"Delete current selected record?", g_.appTitle, vp::Buttons::YesNo) != vp::kAnswerYes) return;
    if (g_.session.deleteRecord(grid_.selectedRecord)) {
        // The record is gone from the view: deleting it again would lower
        // the count a second time, so nothing stays selected.
        grid_.selectedRecord = -1;
    }
    grid_.rebuildColumns(false);
    redraw();
}

std::u16string GridPage::title() const { return titleStrip_.cells[kTitleCell].text; }

std::optional<std::u16string> GridPage::counter() const { return commandStrip_.cells[kCounterCell].text; }

// Desktop habits: the keys and the wheel move the rows as the bar does.
bool GridPage::key(const vp::Event &e) {
    if (e.type != vp::Event::Type::KeyPress || e.mods != 0) return false;
    ScrollAction a;
    switch (e.key) {
    case vp::Key::Up: a = ScrollAction::LineUp; break;
    case vp::Key::Down: a = ScrollAction::LineDown; break;
    case vp::Key::PageUp: a = ScrollAction::PageUp; break;
    case vp::Key::PageDown: a = ScrollAction::PageDown; break;
    case vp::Key::Home: a = ScrollAction::Top; break;
    case vp::Key::End: a = ScrollAction::Bottom; break;
    default: return false;
    }
    grid_.scrollTo(grid_.verticalBar().target(a));
    return true;
}

bool GridPage::wheel(int amount) {
    if (!grid_.verticalBar().visible) return false;
    grid_.scrollTo(grid_.top - 3L * amount);
    return true;
}

}  // namespace vpages
