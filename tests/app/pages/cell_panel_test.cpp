// Cell panels: a tap is a pen-up over the cell that had the pen-down; hidden
// and disabled cells take no taps; a double tap's own pen-up is not a tap;
// `state` gets the shown cells in rows.
#include <gtest/gtest.h>

#include "../platform/platform_fixture.h"
#include "pages/cell_panel.h"

namespace vt {
namespace {

class Panels : public PlatformTest {
protected:
    void make(const std::string &script) {
        start(script);
        panel.rect = {0, 100, 240, 140};
        for (int i = 0; i < 6; i++) {
            vpages::Cell c;
            c.rect = vp::rectXYWH(40 * i, 0, 40, 20);
            c.text = std::u16string(1, char16_t(u'a' + i));
            panel.cells.push_back(c);
        }
        panel.cells[2].shown = false;
        panel.cells[3].enabled = false;
        panel.columns = 3;
        panel.onTap = [this](int cell, vp::Point) { taps.push_back(cell); };
        panel.onDoubleTap = [this](int cell, vp::Point) { taps.push_back(100 + cell); };
        platform->root().addChild(&panel);
    }
    vpages::CellPanel panel{"test"};
    std::vector<int> taps;
};

TEST_F(Panels, TapsOnlyWhereThePenWentDownAndUp) {
    make("tap 10 105\ndown 50 105\nup 10 105\ntap 90 105\ntap 130 105\ntap 170 105\ndtap 210 110\n");
    platform->run();
    EXPECT_EQ(taps, (std::vector<int>{0, 4, 5, 105}));
}

TEST_F(Panels, StateGivesTheShownCellsInRows) {
    make("");
    vp::StateReport r;
    panel.report(r);
    ASSERT_EQ(r.panels.size(), 1u);
    EXPECT_EQ(r.panels[0].name, "test");
    EXPECT_EQ(r.panels[0].rows, (std::vector<std::vector<std::u16string>>{{u"a", u"b"}, {u"d", u"e", u"f"}}));
}

TEST_F(Panels, CellsDrawTheirBackgroundBordersAndText) {
    make("");
    vpages::CellStyle style{.background = vp::rgb(192, 255, 192), .background2 = vp::rgb(192, 255, 192),
                            .line = vp::rgb(208, 200, 176), .font = text.get(),
                            .borders = vpages::kBorderRight | vpages::kBorderBottom};
    vpages::Cell cell{.rect = {10, 10, 60, 23}, .text = u"Lukas", .style = &style};
    vp::Canvas c(100, 40, 2);
    vpages::paintCell(c, cell);
    auto at = [&](int x, int y) { return c.pixels()[size_t(y) * 200 + x]; };
    EXPECT_EQ(at(20, 20), vp::rgb(192, 255, 192));
    EXPECT_EQ(at(2 * 59, 30), vp::rgb(208, 200, 176)) << "right line";
    EXPECT_EQ(at(30, 2 * 22), vp::rgb(208, 200, 176)) << "bottom line";
    int ink = 0;
    for (int y = 20; y < 46; y++)
        for (int x = 20; x < 120; x++) ink += at(x, y) != vp::rgb(192, 255, 192) && at(x, y) != vp::rgb(208, 200, 176);
    EXPECT_GT(ink, 40) << "the text is drawn";
    cell.shown = false;
    vp::Canvas d(100, 40, 1);
    vpages::paintCell(d, cell);
    EXPECT_EQ(d.pixels()[15 * 100 + 15], vp::rgb(0, 0, 0)) << "a hidden cell draws nothing";
}

}  // namespace
}  // namespace vt
