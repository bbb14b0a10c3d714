// Editing a value cell by its field's type through the input helpers: the
// calculator for numbers, the date picker for dates, the Yes/No or
// True/False menu for logicals, the field text editor (pane 7) for text.
// Binary types are refused with a message.
//
// The cell carries the value in: its text is what the helper starts from,
// its number the number (a day number for dates). A confirmed edit leaves
// the new text and number in the cell; the caller takes them from there.
// The text editor is a page of its own: it is shown (the caller remembered
// for the way back) and the edit ends when the caller is shown again with
// reason -1, the cell and entry then holding the saved text when the
// editor's saved() is true.
#pragma once
#include "cell.h"
#include "field_list.h"
#include "shell/globals.h"

namespace vpages {

enum class ValueEdit {
    kConfirmed,         // the cell holds the new text and number
    kCancelled,         // the helper was dismissed; the cell's text may show its number again
    kTextEditorOpened,  // pane 7 is showing (cell and entry must live until it returns)
    kRefused,           // a binary type: beeped and said so
    kNone,              // no helper for this type
};

// The message for the types that cannot be edited.
inline constexpr const char16_t *kBinaryRefusal = u"Could not edit binary memo or OLE field on Pocket PC";

// Opens the helper for entry's type on cell (cellOnPage: its rectangle in
// page coordinates, where the pop-ups are placed).
ValueEdit editValueByType(vshell::Globals &g, Cell &cell, const vp::Rect &cellOnPage, vandrel::FieldEntry &entry);

}  // namespace vpages
