// The pane manager: the four switch modes and the back stack, empty slots
// and targets out of range, and the shared menus' items.
#include <gtest/gtest.h>

#include "shell/pane_manager.h"

namespace vt {
namespace {

struct FakePane : vshell::Pane {
    int id;
    std::vector<std::string> *log;
    FakePane(int i, std::vector<std::string> *l) : id(i), log(l) {}
    void activate(bool shown, int reason) override {
        log->push_back((shown ? "show " : "hide ") + std::to_string(id) + " " + std::to_string(reason));
    }
};

class Panes : public ::testing::Test {
protected:
    void SetUp() override {
        m.create(view);
        for (int i : {0, 1, 2, 4}) {
            fakes.push_back(std::make_unique<FakePane>(i, &log));
            m.setPane(i, fakes.back().get());
        }
    }
    vp::Window view;
    vshell::PaneManager m;
    std::vector<std::unique_ptr<FakePane>> fakes;
    std::vector<std::string> log;
};

TEST_F(Panes, ModesPushPopAndClearTheBackStack) {
    EXPECT_TRUE(m.switchTo(0, 0, 0));
    EXPECT_TRUE(m.switchTo(1, 2, 0));  // grid -> form, remembering the grid
    EXPECT_TRUE(m.switchTo(4, 2, 0));  // form -> sort, remembering the form
    EXPECT_EQ(m.backStack(), (std::vector<int>{0, 1}));
    EXPECT_EQ(m.backTop(), 1);
    EXPECT_TRUE(m.switchTo(-1, 3, 3));  // back to the form
    EXPECT_EQ(m.current(), 1);
    EXPECT_TRUE(m.switchTo(-1, 3, 3));  // back to the grid
    EXPECT_EQ(m.current(), 0);
    EXPECT_EQ(m.backTop(), -1);
    EXPECT_TRUE(m.switchTo(-1, 3, -1));  // empty stack: the grid again
    EXPECT_EQ(m.current(), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"show 0 0", "hide 0 0", "show 1 0", "hide 1 0", "show 4 0", "hide 4 3",
                                             "show 1 3", "hide 1 3", "show 0 3", "show 0 -1"}));
}

TEST_F(Panes, ModeOneClearsTheStackAndShowsTheGrid) {
    m.switchTo(0, 0, 0);
    m.switchTo(1, 2, 0);
    m.switchTo(2, 2, 0);
    log.clear();
    EXPECT_TRUE(m.switchTo(4, 1, 0));
    EXPECT_EQ(m.current(), 0);
    EXPECT_TRUE(m.backStack().empty());
    EXPECT_EQ(log, (std::vector<std::string>{"hide 2 0", "show 0 0"}));
}

TEST_F(Panes, EmptySlotsAndTargetsOutOfRangeDoNothing) {
    m.switchTo(0, 0, 0);
    log.clear();
    EXPECT_FALSE(m.switchTo(3, 2, 0));  // the filter page is not there yet
    EXPECT_FALSE(m.switchTo(8, 0, 0));
    EXPECT_FALSE(m.switchTo(-1, 0, 0));
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(m.backStack().empty()) << "nothing pushed for a switch that did not happen";
    EXPECT_EQ(m.current(), 0);
    EXPECT_EQ(m.pane(8), nullptr);
}

TEST_F(Panes, TheSharedMenusHoldTheirItems) {
    auto ids = [&](int menu) {
        std::string s;
        for (auto &i : m.menu(menu).items()) s += char(i.id < 10 ? '0' + i.id : i.id);
        return s;
    };
    EXPECT_EQ(ids(vshell::kSortMenu), "ADBE");
    EXPECT_EQ(ids(vshell::kShowMenu), "SH");
    EXPECT_EQ(ids(vshell::kOperatorMenu), "<L=G>$");
    EXPECT_EQ(ids(vshell::kFieldMenu), "");
    EXPECT_EQ(ids(vshell::kYesNoMenu), "YN");
    EXPECT_EQ(ids(vshell::kTrueFalseMenu), "TF");
    EXPECT_EQ(ids(vshell::kQuickDateMenu), "12345");
    EXPECT_EQ(m.menu(vshell::kQuickDateMenu).items()[1].text, u"- Quater");
    EXPECT_EQ(m.menu(vshell::kOperatorMenu).items()[5].text, u"Contains");
    EXPECT_EQ(view.children().size(), size_t(vshell::kHostCount));
    for (auto *h : view.children()) EXPECT_FALSE(h->visible);
}

}  // namespace
}  // namespace vt
