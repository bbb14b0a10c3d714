// Pane 7, the field text editor: a full page that edits the text of a
// character, memo or wide-text value in a multi-line text box with the soft
// keyboard raised below it.
//
// Use (the form view): edit(cell, entry) targets the value cell and its
// field entry and shows this page, remembering the caller; "Save" puts the
// box's text into the cell's text and the entry's valueText, "Cancel" leaves
// both as they were; either goes back with reason -1. The cell and the entry
// must live until then.
//
// Layout (page coordinates, x 4, 232 wide): the title strip at y 4 (18 high,
// topinfobar.gif) with the field's name; the text box from y 22 down to the
// bottom strip; the bottom strip (22 high, countbg.gif) with "Max Length = %d",
// "Cancel" (x 128-177) and "Save" (x 180-229) drawn on the slice x 315-364 of
// countbg.gif (x 366-415 while pressed). The bottom strip sits 12 pixels
// above the soft keyboard (at y 154 with the keyboard raised) and the text
// box fills the space above it; when the keyboard is lowered both move down.
//
// The limit of the text box is the field's length (in UTF-16 units; half the
// bytes for wide text), and never less than the text's current length, so
// a memo longer than 32767 characters is saved whole.
#pragma once
#include <cstddef>
#include <memory>
#include <string>

#include "cell_panel.h"
#include "field_list.h"
#include "shell/globals.h"
#include "shell/pane.h"
#include "shell/platform/text_box.h"

namespace vpages {

class FieldEditorPane : public vshell::Pane {
public:
    static constexpr vp::Rect kTitleStrip{4, 4, 236, 22};
    static constexpr int kStripHeight = 22;
    static constexpr int kStripAboveKeyboard = 12;

    explicit FieldEditorPane(vshell::Globals &g);
    ~FieldEditorPane() override;

    // Targets the cell and entry and shows pane 7 (the caller is remembered).
    void edit(Cell &cell, vandrel::FieldEntry &entry);
    // The limit for an entry's text: its length (wide text: units), at least the text's length.
    static size_t limitFor(const vandrel::FieldEntry &entry, const std::u16string &text);

    void activate(bool shown, int reason) override;
    std::u16string title() const override;
    std::optional<std::u16string> counter() const override;
    bool key(const vp::Event &e) override;
    void keyboardChanged(const vp::Rect &panel) override;

    // Whether the last edit ended with "Save".
    bool saved() const { return saved_; }
    const vp::TextBox &textBox() const { return box_; }
    int stripTop() const { return stripTop_; }

private:
    class ButtonStrip;
    void layout(const vp::Rect &keyboard);
    void finish(bool save);

    vshell::Globals &g_;
    Cell *cell_ = nullptr;
    vandrel::FieldEntry *entry_ = nullptr;
    size_t limit_ = 0;
    bool shown_ = false;
    bool saved_ = false;
    int stripTop_ = 154;
    CellPanel titleStrip_{"title"};
    vp::TextBox box_;
    std::unique_ptr<ButtonStrip> strip_;
    CellStyle titleStyle_, counterStyle_, buttonStyle_;
};

}  // namespace vpages
