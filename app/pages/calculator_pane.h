// Pane 5, the calculator: a numeric keypad that pops up over a value cell
// and edits the cell's text as its display; "=" reads the text as a number
// into the cell's number and writes it back into the text in the display
// format (fixed-point with the field's decimals).
//
// Use (the form view): open(cell, decimals), then run(placement(cell's
// rectangle on the page)); 1 when "=" confirmed the cell's new number and
// text, -1 when cancelled, the cell's text then showing its number in the
// display format again and its number unchanged.
//
// Keys: sixteen 20 x 20 keys at x = 2 + 21 (i mod 4), y = 2 + 21 (i div 4)
// in the 87 x 87 panel:   7 8 9 <-   4 5 6 C   1 2 3 CE   0 . +/- =
// The first key after opening empties the display first, except backspace,
// "+/-" and "=", which work on the shown value.
#pragma once
#include <array>
#include <memory>
#include <string>

#include "cell.h"
#include "popup_panel.h"
#include "shell/globals.h"
#include "shell/pane.h"

namespace vpages {

class CalculatorPane : public vshell::Pane {
public:
    static constexpr int kSize = 87;
    static constexpr int kKeyCount = 16;

    explicit CalculatorPane(vshell::Globals &g);
    ~CalculatorPane() override;
    // A pop-up is never a page of its own: hiding only takes it down.
    void activate(bool shown, int reason) override;

    // Targets a cell: its text is the display, its number the result.
    void open(Cell &cell, int decimals);
    // Runs modally with the pop-up's top-left at a page point (the soft
    // keyboard is lowered first): 1 confirmed, -1 cancelled.
    int run(vp::Point at);
    // Under the cell with the right edges lined up; left edges lined up when
    // the cell's right edge is less than 87; above the cell when fewer than
    // 87 pixels remain below it in the 268-pixel page.
    static vp::Point placement(const vp::Rect &cellOnPage);

    // The display format applied to a number.
    std::u16string format(double value) const;
    // The decimal number at the start of a text (leading blanks skipped, up to
    // the first character that does not fit); 0 when there is none.
    static double readNumber(const std::u16string &text);
    bool fresh() const { return fresh_; }
    const PopupPanel &panel() const;

private:
    enum Action { kAppend, kBackspace, kClear, kSign, kEquals };
    class Keypad;
    void makeKeys();
    void press(int key);
    // The key a typed character or key stands for, or -1.
    static int keyOf(const vp::Event &e, char16_t c);

    vshell::Globals &g_;
    Cell *target_ = nullptr;
    int decimals_ = 0;
    bool fresh_ = false;
    std::array<Action, kKeyCount> actions_{};
    CellStyle digitStyle_, clearStyle_, signStyle_;
    std::unique_ptr<Keypad> keypad_;
};

}  // namespace vpages
