// The pane manager: eight page slots (0 record grid, 1 form view, 2 field
// arrangement, 3 filter, 4 sorting, 5 calculator, 6 date picker, 7 field
// text editor), the current pane, the back stack, six host windows in the
// page view (0 title strip, 1 main panel, 2 bottom strip, 4 date picker,
// 5 calculator) and the seven shared pop-up menus.
//
// switchTo(pane, mode, reason): mode 0 shows the pane; 1 clears the back
// stack and shows pane 0; 2 pushes the current pane, then shows the pane;
// 3 pops the back stack and shows that pane (pane 0 when it is empty). The
// current pane is deactivated unless it is the target, then the target is
// activated and becomes current. A target outside 0 ... 7 or an empty slot
// does nothing (and nothing is pushed).
#pragma once
#include <array>
#include <vector>

#include "pane.h"
#include "platform/popup_menu.h"
#include "platform/window.h"

namespace vshell {

constexpr int kPaneCount = 8;
constexpr int kHostCount = 6;
constexpr int kMenuCount = 7;

enum PaneSlot : int { kGridPane = 0, kFormPane = 1, kArrangePane = 2, kFilterPane = 3, kSortPane = 4,
                      kCalculatorPane = 5, kDatePickerPane = 6, kTextEditorPane = 7 };
enum SharedMenu : int { kSortMenu = 0, kShowMenu = 1, kOperatorMenu = 2, kFieldMenu = 3, kYesNoMenu = 4,
                        kTrueFalseMenu = 5, kQuickDateMenu = 6 };

// A child of the page view that holds a page's panels.
class HostWindow : public vp::Window {
public:
    // Shows one panel filling the host, the host at r (page coordinates).
    void place(vp::Window *content, const vp::Rect &r);
    void clear();
};

class PaneManager {
public:
    // Fills the menus and puts the host windows (hidden) into the page view.
    void create(vp::Window &pageView);
    void setPane(int slot, Pane *pane);
    Pane *pane(int slot) const;
    int current() const { return current_; }
    Pane *currentPane() const { return pane(current_); }
    // False when nothing was switched.
    bool switchTo(int pane, int mode, int reason);
    const std::vector<int> &backStack() const { return backStack_; }
    int backTop() const { return int(backStack_.size()) - 1; }
    HostWindow &host(int i) { return hosts_[size_t(i)]; }
    vp::PopupMenu &menu(int i) { return menus_[size_t(i)]; }

private:
    std::array<Pane *, kPaneCount> panes_{};
    std::array<HostWindow, kHostCount> hosts_;
    std::array<vp::PopupMenu, kMenuCount> menus_;
    std::vector<int> backStack_;
    int current_ = -1;
};

}  // namespace vshell
