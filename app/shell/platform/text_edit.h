// The editing state shared by the one-line cell editor and the multi-line
// text box: the text, the caret and the selection's anchor (the selection
// runs between them). A "\r\n" pair counts as one place for the caret.
#pragma once
#include <string>
#include <string_view>

namespace vp {

struct TextEdit {
    std::u16string text;
    size_t caret = 0;
    size_t anchor = 0;

    bool hasSelection() const { return caret != anchor; }
    size_t selectionStart() const { return caret < anchor ? caret : anchor; }
    size_t selectionEnd() const { return caret < anchor ? anchor : caret; }
    void set(std::u16string t) {
        text = std::move(t);
        caret = anchor = text.size();
    }
    void selectAll() {
        anchor = 0;
        caret = text.size();
    }
    // Replaces the selection with s; the caret goes after it.
    void insert(std::u16string_view s) {
        size_t a = selectionStart();
        text.replace(a, selectionEnd() - a, s);
        caret = anchor = a + s.size();
    }
    void backspace() {
        if (!hasSelection()) anchor = previous(caret);
        insert(u"");
    }
    void deleteForward() {
        if (!hasSelection()) anchor = next(caret);
        insert(u"");
    }
    void moveTo(size_t pos, bool extend) {
        caret = pos > text.size() ? text.size() : pos;
        if (!extend) anchor = caret;
    }
    size_t previous(size_t p) const {
        if (p == 0) return 0;
        if (p >= 2 && text[p - 1] == u'\n' && text[p - 2] == u'\r') return p - 2;
        if (p >= 2 && text[p - 1] >= 0xDC00 && text[p - 1] < 0xE000 && text[p - 2] >= 0xD800 && text[p - 2] < 0xDC00)
            return p - 2;
        return p - 1;
    }
    size_t next(size_t p) const {
        if (p >= text.size()) return text.size();
        if (p + 1 < text.size() && text[p] == u'\r' && text[p + 1] == u'\n') return p + 2;
        if (p + 1 < text.size() && text[p] >= 0xD800 && text[p] < 0xDC00) return p + 2;
        return p + 1;
    }
};

}  // namespace vp
