// The main frame: the 240 x 320 screen with the title bar (the caption
// "Vandrel"), the page view (240 x 268, the background image or colour, the
// pane manager's host windows) and the command bar ("Menu" with "Exit" and
// "Open Database", the grid button, About, and the keyboard button). It
// routes the commands and the keys no page took (Ctrl+O opens a table,
// Ctrl+Q quits, Escape goes back).
#pragma once
#include <functional>
#include <string>

#include "globals.h"
#include "platform/line_editor.h"
#include "platform/soft_keyboard.h"
#include "platform/window.h"

namespace vshell {

class CMainFrame {
public:
    explicit CMainFrame(Globals &g);
    ~CMainFrame();
    CMainFrame(const CMainFrame &) = delete;
    CMainFrame &operator=(const CMainFrame &) = delete;

    // Builds the screen, finishes the skin, makes the menus and host windows,
    // registers the panes made by makePanes and shows pane 0 with reason 0.
    bool create(const std::function<void()> &makePanes);
    void onCommand(int id);
    bool onKey(const vp::Event &e);
    // "Open Database": the open dialog, then openTable with the choice.
    void openDatabase();
    // Closes the open table, opens path, refills the field menu, clears the
    // grid's selection and shows pane 0 with reason 0.
    void openTable(const std::u16string &path);
    // Called when the grid's selection must be cleared (set by the grid page).
    std::function<void()> clearGridSelection;

    const std::u16string &caption() const { return caption_; }
    vp::Window &pageView();
    vp::LineEditor &cellEditor() { return editor_; }
    vp::SoftKeyboard &keyboard() { return keyboard_; }

private:
    class TitleBar;
    class PageView;
    class CommandBar;
    Globals &g_;
    std::u16string caption_;
    TitleBar *title_;
    PageView *view_;
    CommandBar *bar_;
    vp::LineEditor editor_;
    vp::SoftKeyboard keyboard_;
};

}  // namespace vshell
