// The sort and filter expressions the session hands to the relation, composed
// from its lists of sort keys and filter conditions, and the texts of the
// sort orders and filter operators.
//
// Sort: one term per key in list order, joined with "+"; logical fields are
// left out. Terms: A "ASCEND(NAME)", B "ASCEND(UPPER(NAME))", D
// "DESCEND(NAME)", E "DESCEND(UPPER(NAME))".
//
// Filter: one part per condition in list order, joined with " .AND. ".
// Conditions on B, G and X fields are skipped, and so is "$" on a type other
// than C, M and W. A part is
//   "$":    quote VALUE quote "$" NAME
//   other:  LEFT OP [quote] VALUE [padding] [quote]
// where LEFT is "DTOS(NAME)" for dates, else NAME; quotes only for C, D, M
// and W, the quote "'" except a '"' for C, M and W values holding "'"; VALUE
// is the date as CCYYMMDD (blanks for no date) for D, .T. or .F. for L, else
// the value text in the table's code page; the padding fills the value to the
// field's length with blanks (with "0" for an empty N value). A memo value is
// compared unpadded by "=" (memo text is not blank-padded), and the padding
// of its other comparisons is cut to what fits the work buffer.
#pragma once
#include <string>

#include "field_list.h"
#include "table_text.h"

namespace vandrel {

// The session's 8-bit work buffer: an expression is at most 8191 bytes.
constexpr size_t kWorkBufferSize = 8192;

// Mode 'F' composes the filter expression of a list, any other mode its sort
// expression. False (out empty) when a value has no place in the code page,
// a logical value is neither true nor false, or the text would not fit the
// work buffer; an empty out with true means every entry was left out.
bool buildExpression(const FieldList &list, std::string &out, char mode, const TableText &text,
                     size_t bufferSize = kWorkBufferSize);

// "Ascending", "Ascending (NC)", "Descending", "Descending (NC)"; empty for
// another code.
std::u16string sortOrderText(int order);
// "<", "<=", "=", ">=", ">", "Contains" as the operator menu shows them.
std::u16string filterOperatorMenuText(int op);
// The same as the condition list shows them ("{ }" for contains).
std::u16string filterOperatorListText(int op);

}  // namespace vandrel
