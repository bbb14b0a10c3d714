// Pane 6, the date picker: a month calendar that pops up over a date cell.
//
// Use (the form view): setDate(hours) with the cell's date (or today's for
// a blank one), run(placement(cell's rectangle on the page)), and on 1 read
// date() back. Dates pass as whole hours from 1900-01-01 00:00 (calendar.h).
//
// The 130 x 118 pop-up holds a 128 x 118 panel one pixel in from its left
// edge, of 52 cells: 0 and 1 the previous- and next-month arrows (16 x 16 at
// the top corners), 2 the title ("November 2003") between them, 3-9 the
// weekday headings ("Su" ... "Sa", w wide, in the next 16-pixel row) and
// 10-51 six weeks of day cells from Sunday, cell 10 + k at
// x = w (k mod 7), y = 32 + h (k div 7), w = 128 / 7 = 18, h = (118 - 32) / 6 = 14.
//
// Taps: the arrows change the month; the title opens the quick menu ("- Year",
// "- Quater", "Today", "+ Quater", "+ Year"); a day becomes the chosen day,
// and tapping the chosen day again confirms. A chosen day beyond the end of
// a new month becomes its last day. Years stay within 1 ... 9999, the dates
// a date field can hold.
#pragma once
#include <memory>

#include "calendar.h"
#include "cell.h"
#include "popup_panel.h"
#include "shell/globals.h"
#include "shell/pane.h"

namespace vpages {

class DatePickerPane : public vshell::Pane {
public:
    static constexpr int kWidth = 130;
    static constexpr int kHeight = 118;
    static constexpr int kPanelWidth = 128;
    static constexpr int kCellCount = 52;
    static constexpr int kFirstDayCell = 10;

    explicit DatePickerPane(vshell::Globals &g);
    ~DatePickerPane() override;
    // A pop-up is never a page of its own: hiding only takes it down.
    void activate(bool shown, int reason) override;

    void setDate(long hours);
    long date() const { return hoursOf(shown_); }
    const CivilDate &shownDate() const { return shown_; }
    // Runs modally with the pop-up's top-left at a page point: 1 when a day
    // was confirmed, -1 when cancelled.
    int run(vp::Point at);
    // Under the cell with the left edges lined up; above it (bottom on the
    // cell's top) when it would pass the page's bottom (y 268); to the left of
    // it (right edge on the cell's left edge) when it would pass x 240.
    static vp::Point placement(const vp::Rect &cellOnPage);

    // The quick menu's identifiers.
    enum QuickItem { kYearBack = 1, kQuarterBack = 2, kToday = 3, kQuarterOn = 4, kYearOn = 5 };
    // Moves the shown month by a number of months (the day kept, or the
    // month's last day); nothing when it would leave the years 1 ... 9999.
    void moveMonths(int months);
    void quick(int item);
    const PopupPanel &panel() const;

private:
    class Calendar;
    void fill();
    void tap(int cell);
    void openQuickMenu();
    void moveDays(int days);

    vshell::Globals &g_;
    CivilDate shown_;
    CellStyle titleStyle_, headingStyle_, dayStyle_, chosenStyle_;
    std::unique_ptr<Calendar> calendar_;
};

}  // namespace vpages
