// The look the platform's own windows share (menus, message boxes, the open
// dialog, editors, the keyboard): the handheld's colours and the fonts the
// shell hands over at start-up.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "canvas.h"
#include "font.h"
#include "geometry.h"

namespace vp {

struct UiTheme {
    const Font *text = nullptr;   // 8.5 pt normal
    const Font *bold = nullptr;   // 8.5 pt bold
    const Font *small = nullptr;  // 7.5 pt normal
    Color face = rgb(255, 255, 255);
    Color ink = rgb(0, 0, 0);
    Color grayInk = rgb(128, 128, 128);
    Color border = rgb(64, 64, 64);
    Color shadow = rgb(128, 128, 128);
    Color highlight = rgb(0, 0, 128);
    Color highlightInk = rgb(255, 255, 255);
    Color button = rgb(212, 208, 200);
    Color caption = rgb(0, 0, 128);
    Color captionInk = rgb(255, 255, 255);
};

// The theme in force; the shell sets its fonts before any window shows.
UiTheme &uiTheme();

// Text that fits in width: cut at the end with "..." when it does not.
std::u16string elide(const Font &font, std::u16string_view s, int width);
// Wraps text to lines of at most width ("\r\n" and "\n" break lines; a word
// longer than a line is broken between characters).
std::vector<std::u16string> wrapText(const Font &font, std::u16string_view s, int width);
// A push button: face, frame and centred label; pressed draws it sunk.
void drawButton(Canvas &c, const Rect &r, std::u16string_view label, bool pressed, bool enabled = true);

}  // namespace vp
