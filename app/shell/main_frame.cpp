#include "main_frame.h"

#include "about_box.h"
#include "platform/file_dialog.h"
#include "platform/folder_listing.h"
#include "platform/platform.h"
#include "platform/script.h"
#include "platform/ui_theme.h"
#include "platform/utf.h"
#include "session_adapters.h"

namespace vshell {

using vp::rgb;

namespace {
const vp::Rect kMenuButton{0, 1, 44, 26};
const vp::Rect kGridButton{50, 5, 66, 21};
const vp::Rect kAboutButton{72, 5, 88, 21};
const vp::Rect kKeyboardButton{210, 3, 238, 23};
constexpr int kMenuExit = 'X', kMenuOpen = 'O';

// The grid button's glyph: a small table.
void drawGridGlyph(vp::Canvas &c, const vp::Rect &r) {
    c.fill(r, rgb(255, 255, 255));
    c.frame(r, rgb(0, 0, 0));
    c.fill({r.left + 1, r.top + 1, r.right - 1, r.top + 5}, rgb(0, 64, 128));
    for (int y = r.top + 8; y < r.bottom - 1; y += 3) c.line({r.left + 1, y}, {r.right - 2, y}, rgb(128, 128, 128));
    c.line({r.left + 6, r.top + 5}, {r.left + 6, r.bottom - 2}, rgb(128, 128, 128));
}

// About's glyph: a question mark in a blue disc.
void drawAboutGlyph(vp::Canvas &c, const vp::Rect &r) {
    static const char *const kDisc[16] = {
        "     ######     ", "   ##########   ", "  ############  ", " ############## ",
        " ############## ", "################", "################", "################",
        "################", "################", "################", " ############## ",
        " ############## ", "  ############  ", "   ##########   ", "     ######     "};
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++)
            if (kDisc[y][x] == '#') c.fill(vp::rectXYWH(r.left + x, r.top + y, 1, 1), rgb(0, 64, 192));
    if (const vp::Font *f = vp::uiTheme().bold) c.text(r, u"?", *f, rgb(255, 255, 255), vp::Align::Center);
}

// The keyboard button's glyph: keys in rows.
void drawKeyboardGlyph(vp::Canvas &c, const vp::Rect &r, bool on) {
    c.fill(r, on ? rgb(0, 0, 128) : rgb(240, 240, 240));
    c.frame(r, rgb(64, 64, 64));
    vp::Color key = on ? rgb(255, 255, 255) : rgb(64, 64, 64);
    for (int row = 0; row < 3; row++)
        for (int k = 0; k < 6; k++) c.fill(vp::rectXYWH(r.left + 3 + k * 4, r.top + 4 + row * 4, 3, 3), key);
}
}  // namespace

class CMainFrame::TitleBar : public vp::Window {
public:
    explicit TitleBar(const std::u16string &caption) : caption_(caption) {}
    void paint(vp::Canvas &c) override {
        c.fill({0, 0, rect.width(), rect.height()}, rgb(0, 32, 128));
        c.line({0, rect.height() - 1}, {rect.width() - 1, rect.height() - 1}, rgb(0, 0, 64));
        if (const vp::Font *f = globals().skin.font(6))
            c.text({6, 0, rect.width() - 6, rect.height()}, caption_, *f, rgb(255, 255, 255), vp::Align::Left);
    }

private:
    const std::u16string &caption_;
};

class CMainFrame::PageView : public vp::Window {
public:
    void paint(vp::Canvas &c) override {
        SkinImages &skin = globals().skin;
        const vp::Image *bg = skin.background();
        if (bg)
            c.image(*bg, {0, 0, bg->width, bg->height}, {0, 0});
        else
            c.fill({0, 0, rect.width(), rect.height()}, skin.backgroundColor());
    }
    bool wheel(int amount, vp::Point) override {
        Pane *p = globals().panes.currentPane();
        return p && p->wheel(amount);
    }
};

class CMainFrame::CommandBar : public vp::Window {
public:
    CommandBar(CMainFrame &frame) : frame_(frame) {}
    void paint(vp::Canvas &c) override {
        c.fill({0, 0, rect.width(), rect.height()}, rgb(212, 208, 200));
        c.line({0, 0}, {rect.width() - 1, 0}, rgb(128, 128, 128));
        if (pressed_ == 1) c.fill(kMenuButton, rgb(0, 0, 128));
        if (const vp::Font *f = globals().skin.font(5))
            c.text(kMenuButton, u"Menu", *f, pressed_ == 1 ? rgb(255, 255, 255) : rgb(0, 0, 0), vp::Align::Center);
        drawGridGlyph(c, kGridButton);
        drawAboutGlyph(c, kAboutButton);
        drawKeyboardGlyph(c, kKeyboardButton, frame_.keyboard_.visible);
    }
    void penDown(vp::Point p) override { pressed_ = buttonAt(p); }
    void penUp(vp::Point p) override {
        int b = buttonAt(p);
        bool same = b != 0 && b == pressed_;
        pressed_ = 0;
        if (!same) return;
        invalidate();
        switch (b) {
        case 1: {
            vp::PopupMenu menu;
            menu.append(u"Exit", kMenuExit);
            menu.append(u"Open Database", kMenuOpen);
            vp::Rect r = screenRect();
            int id = menu.track({r.left + kMenuButton.left, r.top}, vp::PopupMenu::kBottomLeft);
            if (id == kMenuExit) frame_.onCommand(vp::kCmdExit);
            if (id == kMenuOpen) frame_.onCommand(vp::kCmdOpen);
            break;
        }
        case 2: frame_.onCommand(vp::kCmdGrid); break;
        case 3: frame_.onCommand(vp::kCmdAbout); break;
        case 4: frame_.keyboard_.show(!frame_.keyboard_.visible); break;
        }
    }

private:
    int buttonAt(vp::Point p) const {
        if (kMenuButton.contains(p)) return 1;
        if (kGridButton.inset(-2).contains(p)) return 2;
        if (kAboutButton.inset(-2).contains(p)) return 3;
        if (kKeyboardButton.contains(p)) return 4;
        return 0;
    }
    CMainFrame &frame_;
    int pressed_ = 0;
};

CMainFrame::CMainFrame(Globals &g)
    : g_(g), title_(new TitleBar(caption_)), view_(new PageView), bar_(new CommandBar(*this)) {}

CMainFrame::~CMainFrame() {
    delete bar_;
    delete view_;
    delete title_;
}

vp::Window &CMainFrame::pageView() { return *view_; }

bool CMainFrame::create(const std::function<void()> &makePanes) {
    vp::Platform &p = vp::Platform::get();
    view_->rect = {0, vp::kTitleBarHeight, vp::kScreenWidth, vp::kCommandBarTop};
    title_->rect = {0, 0, vp::kScreenWidth, vp::kTitleBarHeight};
    bar_->rect = {0, vp::kCommandBarTop, vp::kScreenWidth, vp::kScreenHeight};
    p.root().addChild(title_);
    p.root().addChild(view_);
    p.root().addChild(bar_);
    g_.skin.setBackgroundName("background.gif");
    g_.skin.registerWindow(0, &p.root());
    g_.skin.registerWindow(1, view_);
    bool fonts = g_.skin.finish(p.fonts(), programFolderOf(programPath()));
    vp::UiTheme &theme = vp::uiTheme();
    theme.text = g_.skin.font(1);
    theme.bold = g_.skin.font(5);
    theme.small = g_.skin.font(0);
    if (!fonts) return false;
    editor_.visible = false;
    keyboard_.visible = false;
    p.addOverlay(&editor_);
    p.addOverlay(&keyboard_);
    g_.skin.registerWindow(2, &editor_);
    g_.panes.create(*view_);
    makePanes();
    caption_ = g_.appTitle;
    p.backend().setTitle(vp::toUtf8(caption_));
    keyboard_.onChange = [this] {
        if (Pane *pane = g_.panes.currentPane(); pane && g_.panes.current() == kTextEditorPane)
            pane->keyboardChanged(keyboard_.panelRect());
        vp::Window::invalidate();
    };
    p.onCommand = [this](int id) { onCommand(id); };
    p.onKey = [this](const vp::Event &e) { return onKey(e); };
    g_.panes.switchTo(kGridPane, 0, kReasonRequery);
    return true;
}

void CMainFrame::onCommand(int id) {
    switch (id) {
    case vp::kCmdExit: vp::Platform::get().quit(0); break;
    case vp::kCmdOpen: openDatabase(); break;
    case vp::kCmdGrid:
        if (clearGridSelection) clearGridSelection();
        g_.panes.switchTo(kGridPane, 0, kReasonRequery);
        break;
    case vp::kCmdAbout: showAboutBox(); break;
    }
}

bool CMainFrame::onKey(const vp::Event &e) {
    if (e.type == vp::Event::Type::KeyPress && (e.mods & vp::kCtrl) && e.key == vp::Key::Char) {
        if (e.ch == 'o') {
            onCommand(vp::kCmdOpen);
            return true;
        }
        if (e.ch == 'q') {
            onCommand(vp::kCmdExit);
            return true;
        }
    }
    if (Pane *p = g_.panes.currentPane(); p && p->key(e)) return true;
    if (e.type == vp::Event::Type::KeyPress && e.key == vp::Key::Escape && e.mods == 0) {
        g_.panes.switchTo(-1, 3, kReasonReturn);
        return true;
    }
    return false;
}

void CMainFrame::openDatabase() {
    std::string path = vp::openFileDialog(vp::documentsFolder(), u"xBase (*.DBF)", "dbf");
    if (!path.empty()) openTable(vp::fromUtf8(path));
}

void CMainFrame::openTable(const std::u16string &path) {
    g_.session.closeTable();
    g_.session.openTable(path);
    PopupFieldMenu fieldMenu(g_.panes.menu(kFieldMenu));
    g_.session.fillFieldMenu(fieldMenu);
    if (clearGridSelection) clearGridSelection();
    g_.panes.switchTo(kGridPane, 0, kReasonRequery);
}

}  // namespace vshell
