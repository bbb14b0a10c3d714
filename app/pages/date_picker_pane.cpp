#include "date_picker_pane.h"

#include <algorithm>
#include <string>

#include "shell/platform/platform.h"
#include "shell/platform/popup_menu.h"

namespace vpages {

namespace {
constexpr int kDatePickerHost = 4;  // the pane manager's host window of the calendar
constexpr int kLeft = 1;            // the panel's left edge in the pop-up
constexpr int kArrowSize = 16;
constexpr int kRowHeight = 16;
constexpr int kDayWidth = DatePickerPane::kPanelWidth / 7;
constexpr int kDayHeight = (DatePickerPane::kHeight - 2 * kRowHeight) / 6;
enum Cells { kPreviousCell = 0, kNextCell = 1, kTitleCell = 2, kFirstHeading = 3 };
const Color kEdge = rgb(0, 64, 128);

std::u16string digits(int n) {
    std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
}
}  // namespace

// The panel: its edges, taps, the keys of a real keyboard, and `state` as
// rows (the title, the headings, six weeks; selected = the chosen day).
class DatePickerPane::Calendar : public PopupPanel {
public:
    explicit Calendar(DatePickerPane &owner) : PopupPanel("datepicker", kWidth, kHeight), owner_(owner) {
        fillColor = rgb(255, 255, 255);
    }
    void paint(vp::Canvas &c) override {
        PopupPanel::paint(c);
        c.line({0, 0}, {0, kHeight - 1}, kEdge);
        c.line({kWidth - 1, 0}, {kWidth - 1, kHeight - 1}, kEdge);
    }
    bool key(const vp::Event &e) override {
        if (PopupPanel::key(e)) return true;
        if (e.type != vp::Event::Type::KeyPress) return false;
        switch (e.key) {
        case vp::Key::Left: owner_.moveDays(-1); break;
        case vp::Key::Right: owner_.moveDays(1); break;
        case vp::Key::Up: owner_.moveDays(-7); break;
        case vp::Key::Down: owner_.moveDays(7); break;
        case vp::Key::PageUp: owner_.moveMonths(-1); break;
        case vp::Key::PageDown: owner_.moveMonths(1); break;
        case vp::Key::Enter: confirm(); break;
        default: return false;
        }
        return true;
    }
    void report(vp::StateReport &r) const override {
        vp::PanelState s;
        s.name = name();
        s.selected = owner_.shown_.day;
        s.rows.push_back({cells[kTitleCell].text});
        for (int row = 0; row < 7; row++) {
            std::vector<std::u16string> texts;
            for (int k = 0; k < 7; k++) texts.push_back(cells[size_t(kFirstHeading + 7 * row + k)].text);
            s.rows.push_back(std::move(texts));
        }
        r.panels.push_back(std::move(s));
    }

private:
    DatePickerPane &owner_;
};

DatePickerPane::DatePickerPane(vshell::Globals &g) : g_(g), shown_(today()) {
    vshell::SkinImages &skin = g.skin;
    calendar_ = std::make_unique<Calendar>(*this);
    const vp::Font *font = skin.font(1);
    titleStyle_ = {.background = rgb(0, 0, 192), .text = rgb(255, 255, 255),
                   .align = vp::Align::Center, .font = font};
    headingStyle_ = {.background = rgb(0, 64, 128), .text = rgb(255, 255, 255),
                     .align = vp::Align::Center, .font = font};
    dayStyle_ = {.text = rgb(0, 0, 0), .align = vp::Align::Center, .font = font};
    chosenStyle_ = headingStyle_;

    std::vector<Cell> &cells = calendar_->cells;
    cells.resize(kCellCount);
    const vp::Image *arrows = skin.image(7);
    cells[kPreviousCell] = {.rect = vp::rectXYWH(kLeft, 0, kArrowSize, kArrowSize), .image = arrows,
                            .source = {0, 0, kArrowSize, kArrowSize}};
    cells[kNextCell] = {.rect = vp::rectXYWH(kLeft + kPanelWidth - kArrowSize, 0, kArrowSize, kArrowSize),
                        .image = arrows, .source = {kArrowSize, 0, 2 * kArrowSize, kArrowSize}};
    cells[kTitleCell] = {.rect = {kLeft + kArrowSize, 0, kLeft + kPanelWidth - kArrowSize, kRowHeight},
                         .style = &titleStyle_};
    for (int i = 0; i < 7; i++)
        cells[size_t(kFirstHeading + i)] = {.rect = vp::rectXYWH(kLeft + kDayWidth * i, kRowHeight, kDayWidth, kRowHeight),
                                            .text = std::u16string(dayName(i), 2), .style = &headingStyle_};
    for (int k = 0; k < 42; k++)
        cells[size_t(kFirstDayCell + k)] = {
            .rect = vp::rectXYWH(kLeft + kDayWidth * (k % 7), 2 * kRowHeight + kDayHeight * (k / 7), kDayWidth, kDayHeight),
            .style = &dayStyle_};
    calendar_->onTap = [this](int cell, vp::Point) { tap(cell); };
    fill();
}

DatePickerPane::~DatePickerPane() = default;

const PopupPanel &DatePickerPane::panel() const { return *calendar_; }

void DatePickerPane::activate(bool shown, int) {
    if (!shown && !calendar_->running()) g_.panes.host(kDatePickerHost).clear();
}

void DatePickerPane::setDate(long hours) {
    long first = hoursOf({kFirstYear, 1, 1}), last = hoursOf({kLastYear, 12, 31});
    shown_ = dateOfHours(std::clamp(hours, first, last));
    fill();
}

int DatePickerPane::run(vp::Point at) {
    fill();
    return calendar_->runModal(g_.panes.host(kDatePickerHost), at);
}

vp::Point DatePickerPane::placement(const vp::Rect &cell) {
    int x = cell.left, y = cell.bottom;
    if (y + kHeight > vp::kPageHeight) y = cell.top - kHeight;
    if (x + kWidth > vp::kScreenWidth) x = cell.left - kWidth;
    return {std::max(0, x), std::max(0, y)};
}

// The month laid out: the title, blanks before the first, the days, blanks after.
void DatePickerPane::fill() {
    int n = monthLength(shown_.year, shown_.month);
    shown_.day = std::clamp(shown_.day, 1, n);
    std::vector<Cell> &cells = calendar_->cells;
    cells[kTitleCell].text = std::u16string(monthName(shown_.month)) + u" " + digits(shown_.year);
    int first = weekday({shown_.year, shown_.month, 1});
    for (int k = 0; k < 42; k++) {
        Cell &c = cells[size_t(kFirstDayCell + k)];
        int day = k - first + 1;
        bool inMonth = day >= 1 && day <= n;
        c.text = inMonth ? digits(day) : std::u16string();
        c.number = inMonth ? day : 0;
        c.style = inMonth && day == shown_.day ? &chosenStyle_ : &dayStyle_;
    }
    vp::Window::invalidate();
}

void DatePickerPane::tap(int cell) {
    if (cell == kPreviousCell) {
        moveMonths(-1);
    } else if (cell == kNextCell) {
        moveMonths(1);
    } else if (cell == kTitleCell) {
        openQuickMenu();
    } else if (cell >= kFirstDayCell && cell < kCellCount) {
        int day = int(calendar_->cells[size_t(cell)].number);
        if (day <= 0) return;  // a blank cell
        if (day == shown_.day) {
            calendar_->confirm();
            return;
        }
        shown_.day = day;
        fill();
    }
}

void DatePickerPane::openQuickMenu() {
    vp::Rect title = calendar_->cells[kTitleCell].rect.offset(calendar_->screenRect().left, calendar_->screenRect().top);
    int item;
    {
        PopupPanel::MenuOpen open(*calendar_);
        item = g_.panes.menu(vshell::kQuickDateMenu).track({title.right, title.bottom}, vp::PopupMenu::kTopRight);
    }
    quick(item);
}

void DatePickerPane::quick(int item) {
    switch (item) {
    case kYearBack: moveMonths(-12); break;
    case kQuarterBack: moveMonths(-3); break;
    case kToday:
        shown_ = today();
        fill();
        break;
    case kQuarterOn: moveMonths(3); break;
    case kYearOn: moveMonths(12); break;
    default: break;
    }
}

void DatePickerPane::moveMonths(int months) {
    int index = shown_.year * 12 + (shown_.month - 1) + months;
    int year = index / 12;
    if (year < kFirstYear || year > kLastYear) return;
    shown_.year = year;
    shown_.month = index % 12 + 1;
    fill();
}

void DatePickerPane::moveDays(int days) {
    long n = dayNumberOf(shown_) + days;
    CivilDate d = dateOfDayNumber(n);
    if (d.year < kFirstYear || d.year > kLastYear) return;
    shown_ = d;
    fill();
}

}  // namespace vpages
