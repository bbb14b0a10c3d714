#include "file_dialog.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

#include "folder_listing.h"
#include "platform.h"
#include "ui_theme.h"
#include "utf.h"

namespace vp {

namespace {
constexpr int kRowHeight = 16;
constexpr int kListTop = 64;
constexpr int kListRows = 12;
constexpr int kScrollWidth = 12;
const Rect kCancel{174, 2, 234, 22};

// The last part of a folder's path, as the dialog names it ("/" for the root).
std::string folderName(const std::string &folder) {
    std::string f = folder;
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    size_t slash = f.rfind('/');
    return slash == std::string::npos || f.size() == 1 ? f : f.substr(slash + 1);
}

std::string absolute(const std::string &path) {
    if (!path.empty() && path[0] == '/') return path;
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf)) return path;
    return joinPath(buf, path);
}

class DialogWindow : public Window {
public:
    DialogWindow(const std::string &folder, std::u16string typeText, std::string extension)
        : typeText_(std::move(typeText)), extension_(std::move(extension)) {
        rect = {0, kTitleBarHeight, kScreenWidth, kTitleBarHeight + kPageHeight};
        enter(absolute(folder));
    }
    bool done = false;
    std::string chosen;

    void paint(Canvas &c) override {
        const UiTheme &t = uiTheme();
        Rect r{0, 0, rect.width(), rect.height()};
        c.fill(r, t.face);
        if (!t.text || !t.bold) return;
        c.text({6, 2, 160, 22}, u"Open", *t.bold, t.ink, Align::Left);
        drawButton(c, kCancel, u"Cancel", pressed_ == kCancelRow);
        c.text({6, 26, 50, 42}, u"Folder:", *t.text, t.ink, Align::Left);
        c.text({50, 26, 236, 42}, elide(*t.text, fromUtf8(folderName(folder_)), 186), *t.text, t.ink, Align::Left);
        c.text({6, 44, 50, 60}, u"Type:", *t.text, t.ink, Align::Left);
        c.text({50, 44, 236, 60}, typeText_, *t.text, t.ink, Align::Left);
        c.line({0, kListTop - 2}, {r.right - 1, kListTop - 2}, t.shadow);
        int width = listWidth();
        for (int i = 0; i < kListRows && top_ + i < int(rows_.size()); i++) {
            int index = top_ + i;
            const Row &row = rows_[size_t(index)];
            Rect rr{0, kListTop + i * kRowHeight, width, kListTop + (i + 1) * kRowHeight};
            bool lit = index == selected_ || index == pressed_;
            if (lit) c.fill(rr, t.highlight);
            Color ink = lit ? t.highlightInk : t.ink;
            drawGlyph(c, {rr.left + 4, rr.top + 2}, row.kind);
            c.text({rr.left + 22, rr.top, rr.right - 2, rr.bottom}, elide(*t.text, fromUtf8(row.name), width - 24),
                   *t.text, ink, Align::Left);
        }
        if (empty_.size()) c.text({6, kListTop, width, kListTop + kRowHeight}, empty_, *t.text, t.grayInk, Align::Left);
        if (int(rows_.size()) > kListRows) drawScrollBar(c);
    }

    void penDown(Point p) override {
        if (kCancel.contains(p)) {
            pressed_ = kCancelRow;
        } else if (p.x >= listWidth() && int(rows_.size()) > kListRows && p.y >= kListTop) {
            int thumbTop = kListTop + listHeight() * top_ / int(rows_.size());
            scrollTo(top_ + (p.y < thumbTop ? -kListRows : kListRows));
        } else {
            pressed_ = rowAt(p);
        }
    }
    void penMove(Point p) override {
        if (pressed_ == kCancelRow ? !kCancel.contains(p) : rowAt(p) != pressed_) pressed_ = -1;
    }
    void penUp(Point p) override {
        if (pressed_ == kCancelRow && kCancel.contains(p)) {
            done = true;
        } else if (pressed_ >= 0 && rowAt(p) == pressed_) {
            selected_ = pressed_;
            activate(pressed_);
        }
        pressed_ = -1;
    }
    bool wheel(int amount, Point) override {
        scrollTo(top_ - amount * 3);
        return true;
    }
    bool key(const Event &e) override {
        if (e.type != Event::Type::KeyPress) return true;
        int n = int(rows_.size());
        switch (e.key) {
        case Key::Escape: done = true; break;
        case Key::Enter:
            if (selected_ >= 0) activate(selected_);
            break;
        case Key::Backspace: enter(parentFolder(folder_)); break;
        case Key::Up: select(selected_ - 1); break;
        case Key::Down: select(selected_ + 1); break;
        case Key::PageUp: select(selected_ - kListRows); break;
        case Key::PageDown: select(selected_ + kListRows); break;
        case Key::Home: select(0); break;
        case Key::End: select(n - 1); break;
        default: break;
        }
        return true;
    }
    bool scriptAnswer(const Event &e) override {
        if (e.type != Event::Type::Choose) return false;
        std::string path = absolute(e.arg);
        if (!isFile(path)) return false;
        chosen = path;
        done = true;
        return true;
    }
    void report(StateReport &r) const override {
        r.dialogFolder = folder_;
        PanelState panel;
        panel.name = "files";
        panel.top = top_;
        panel.selected = selected_;
        for (const Row &row : rows_)
            panel.rows.push_back({fromUtf8(row.name), row.kind == Kind::Up ? u"Up" : row.kind == Kind::Folder ? u"Folder" : u"File"});
        r.panels.push_back(std::move(panel));
    }

private:
    enum class Kind { Up, Folder, File };
    struct Row {
        std::string name;
        Kind kind;
    };
    static constexpr int kCancelRow = -2;

    int listWidth() const { return int(rows_.size()) > kListRows ? rect.width() - kScrollWidth : rect.width(); }
    int listHeight() const { return kListRows * kRowHeight; }
    int rowAt(Point p) const {
        if (p.x < 0 || p.x >= listWidth() || p.y < kListTop || p.y >= kListTop + listHeight()) return -1;
        int i = top_ + (p.y - kListTop) / kRowHeight;
        return i < int(rows_.size()) ? i : -1;
    }
    void enter(const std::string &folder) {
        std::vector<FolderEntry> entries;
        bool ok = listFolder(folder, extension_, entries);
        folder_ = folder;
        rows_.clear();
        if (folder_ != "/") rows_.push_back({"..", Kind::Up});
        for (const FolderEntry &e : entries) rows_.push_back({e.name, e.folder ? Kind::Folder : Kind::File});
        empty_ = ok ? u"" : u"This folder cannot be read.";
        top_ = 0;
        selected_ = -1;
        pressed_ = -1;
        invalidate();
    }
    void activate(int i) {
        const Row &row = rows_[size_t(i)];
        if (row.kind == Kind::Up) {
            enter(parentFolder(folder_));
        } else if (row.kind == Kind::Folder) {
            enter(joinPath(folder_, row.name));
        } else {
            chosen = joinPath(folder_, row.name);
            done = true;
        }
    }
    void select(int i) {
        if (rows_.empty()) return;
        selected_ = std::clamp(i, 0, int(rows_.size()) - 1);
        if (selected_ < top_) scrollTo(selected_);
        if (selected_ >= top_ + kListRows) scrollTo(selected_ - kListRows + 1);
    }
    void scrollTo(int t) { top_ = std::clamp(t, 0, std::max(0, int(rows_.size()) - kListRows)); }
    void drawScrollBar(Canvas &c) const {
        const UiTheme &t = uiTheme();
        Rect bar{rect.width() - kScrollWidth, kListTop, rect.width(), kListTop + listHeight()};
        c.fill(bar, t.button);
        int n = int(rows_.size());
        int thumbTop = bar.top + listHeight() * top_ / n;
        int thumbHeight = std::max(8, listHeight() * kListRows / n);
        c.fill({bar.left + 1, thumbTop, bar.right - 1, std::min(bar.bottom, thumbTop + thumbHeight)}, t.shadow);
    }
    static void drawGlyph(Canvas &c, Point at, Kind kind) {
        if (kind == Kind::File) {  // a small table: a frame with a header row and a rule
            c.fill(rectXYWH(at.x, at.y, 13, 12), rgb(255, 255, 255));
            c.frame(rectXYWH(at.x, at.y, 13, 12), rgb(0, 64, 128));
            c.fill(rectXYWH(at.x + 1, at.y + 1, 11, 3), rgb(0, 64, 128));
            c.line({at.x + 1, at.y + 7}, {at.x + 11, at.y + 7}, rgb(128, 128, 128));
            c.line({at.x + 6, at.y + 4}, {at.x + 6, at.y + 10}, rgb(128, 128, 128));
        } else {  // a folder: a tab and a body; the way up has an arrow on it
            c.fill(rectXYWH(at.x, at.y + 1, 6, 2), rgb(200, 160, 40));
            c.fill(rectXYWH(at.x, at.y + 3, 14, 9), rgb(240, 200, 80));
            c.frame(rectXYWH(at.x, at.y + 3, 14, 9), rgb(160, 120, 20));
            if (kind == Kind::Up) {
                c.line({at.x + 7, at.y + 5}, {at.x + 7, at.y + 10}, rgb(0, 0, 0));
                c.line({at.x + 5, at.y + 7}, {at.x + 7, at.y + 5}, rgb(0, 0, 0));
                c.line({at.x + 9, at.y + 7}, {at.x + 7, at.y + 5}, rgb(0, 0, 0));
            }
        }
    }
    std::u16string typeText_;
    std::string extension_;
    std::string folder_;
    std::vector<Row> rows_;
    std::u16string empty_;
    int top_ = 0, selected_ = -1, pressed_ = -1;
};
}  // namespace

std::string openFileDialog(const std::string &startFolder, const std::u16string &typeText, const std::string &extension) {
    Platform &p = Platform::get();
    DialogWindow w(startFolder, typeText, extension);
    p.addOverlay(&w);
    p.runModal(w, [&] { return w.done; });
    p.removeOverlay(&w);
    return w.chosen;
}

}  // namespace vp
