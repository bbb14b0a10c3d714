#include "grid_page.h"

#include "shell/platform/popup_menu.h"

namespace vpages {

namespace {
enum TitleCell { kTitleCell = 0, kActionsCell = 1 };
enum GridCell { kEmptyTitle = 0, kEmptyCount = 1 };
enum StripCell { kCounterCell = 0, kFirstButton = 1 };
const Color kEmptyBackground = rgb(255, 255, 208);
}  // namespace

GridPage::GridPage(vshell::Globals &g) : g_(g) {
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

    grid_.cells.resize(2);
    grid_.cells[kEmptyTitle] = {.rect = {0, 84, kGridArea.width(), 104}, .style = &emptyTitleStyle_};
    grid_.cells[kEmptyCount] = {.rect = {0, 104, kGridArea.width(), 122}, .style = &emptyTextStyle_};
    grid_.columns = 1;

    commandStrip_.background = skin.image(4);
    commandStrip_.backgroundSource = {0, 0, kCommandStrip.width(), kCommandStrip.height()};
    commandStrip_.cells.resize(5);
    commandStrip_.cells[kCounterCell] = {.rect = {4, 1, 124, 21}, .style = &counterStyle_};
    // The form view, delete, filter and sort buttons: hidden until the grid has rows.
    for (int i = 0; i < 4; i++) {
        Cell &b = commandStrip_.cells[size_t(kFirstButton + i)];
        b.rect = {128 + 20 * i, 1, 146 + 20 * i, 22};
        b.image = commandStrip_.background;
        b.source = {232 + 20 * i, 1, 252 + 20 * i, 22};
        b.shown = false;
    }
}

void GridPage::makeStyles() {
    vshell::SkinImages &skin = g_.skin;
    titleStyle_ = {.text = rgb(255, 255, 255), .font = skin.font(5), .transparent = true};
    actionsStyle_ = {.background = rgb(0, 64, 160), .background2 = rgb(0, 32, 112), .text = rgb(255, 255, 255),
                     .line = rgb(160, 192, 255), .align = vp::Align::Center, .font = skin.font(1),
                     .borders = kBorderLeft | kBorderTop | kBorderRight | kBorderBottom};
    emptyTitleStyle_ = {.text = rgb(0, 0, 0), .align = vp::Align::Center, .font = skin.font(6), .transparent = true};
    emptyTextStyle_ = {.text = rgb(64, 64, 64), .align = vp::Align::Center, .font = skin.font(1), .transparent = true};
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
    if (reason == 0 || reason == 1)
        g_.session.applyFilter();
    else if (reason == 2)
        g_.session.applySort();
    refresh();
}

void GridPage::refresh() {
    total_ = g_.session.count(false);
    std::u16string title = g_.session.tableTitle();
    titleStrip_.cells[kTitleCell].text = title;
    grid_.fillColor = kEmptyBackground;
    grid_.cells[kEmptyTitle].text = title;
    std::u16string records;
    if (g_.session.isOpen()) {
        std::string n = std::to_string(total_) + (total_ == 1 ? " record" : " records");
        records.assign(n.begin(), n.end());
    }
    grid_.cells[kEmptyCount].text = records;
    std::string counter = "Total: " + std::to_string(total_);
    commandStrip_.cells[kCounterCell].text.assign(counter.begin(), counter.end());
    vp::Window::invalidate();
}

std::u16string GridPage::title() const { return titleStrip_.cells[kTitleCell].text; }

std::optional<std::u16string> GridPage::counter() const { return commandStrip_.cells[kCounterCell].text; }

void GridPage::showActions() {
    vp::PopupMenu menu;
    menu.append(u"Reset All", 'R');
    menu.append(u"Reset Sort", 'S');
    menu.append(u"Reset Filter", 'F');
    menu.appendSeparator();
    menu.append(u"Size by Caption", 'C');
    menu.append(u"Size by Content", 'M');
    menu.appendSeparator();
    menu.append(u"Arrange Fields", 'A');
    const vandrel::TableSession &s = g_.session;
    if (!s.isOpen()) {
        menu.enableAll(false);
    } else {
        bool sorted = s.sortKeys.count() > 0, filtered = s.filterConditions.count() > 0;
        bool hidden = s.columnCount(false) < s.columnCount(true);
        menu.enable('S', sorted);
        menu.enable('F', filtered);
        menu.enable('R', sorted || filtered || hidden);
    }
    vp::Rect button = titleStrip_.cells[kActionsCell].rect.offset(titleStrip_.screenRect().left,
                                                                  titleStrip_.screenRect().top);
    menu.track({button.right, button.bottom}, vp::PopupMenu::kTopRight);
    // The actions themselves come with the record grid.
}

}  // namespace vpages
