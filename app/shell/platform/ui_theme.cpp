#include "ui_theme.h"

#include <vector>

#include "canvas.h"

namespace vp {

UiTheme &uiTheme() {
    static UiTheme theme;
    return theme;
}

std::u16string elide(const Font &font, std::u16string_view s, int width) {
    if (font.measure(s) <= width) return std::u16string(s);
    std::u16string dots = u"...";
    int room = width - font.measure(dots);
    std::u16string out;
    int w = 0;
    for (char16_t c : s) {
        int a = font.advance(c);
        if (w + a > room) break;
        out += c;
        w += a;
    }
    return out + dots;
}

std::vector<std::u16string> wrapText(const Font &font, std::u16string_view s, int width) {
    std::vector<std::u16string> lines;
    std::u16string line;
    int lineWidth = 0;
    auto flush = [&] {
        lines.push_back(line);
        line.clear();
        lineWidth = 0;
    };
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') i++;
        if (s[i] == u'\n' || s[i] == u'\r') {
            flush();
            i++;
            continue;
        }
        // The next word with the blanks before it.
        size_t end = i;
        while (end < s.size() && s[end] == u' ') end++;
        while (end < s.size() && s[end] != u' ' && s[end] != u'\n' && s[end] != u'\r') end++;
        std::u16string_view word = s.substr(i, end - i);
        int w = font.measure(word);
        if (lineWidth + w <= width) {
            line += word;
            lineWidth += w;
            i = end;
            continue;
        }
        if (!line.empty()) {  // the word starts the next line, without its blanks
            flush();
            while (i < end && s[i] == u' ') i++;
            continue;
        }
        // A word wider than a line: as many characters as fit (at least one).
        size_t k = i;
        while (k < end && (k == i || lineWidth + font.advance(s[k]) <= width)) {
            line += s[k];
            lineWidth += font.advance(s[k]);
            k++;
        }
        i = k;
        if (i < end) flush();
    }
    if (!line.empty() || lines.empty()) lines.push_back(line);
    return lines;
}

void drawButton(Canvas &c, const Rect &r, std::u16string_view label, bool pressed, bool enabled) {
    const UiTheme &t = uiTheme();
    c.fill(r, pressed ? t.highlight : t.button);
    c.frame(r, t.border);
    if (t.text)
        c.text(r.inset(2), label, *t.text, pressed ? t.highlightInk : enabled ? t.ink : t.grayInk, Align::Center);
}

}  // namespace vp
