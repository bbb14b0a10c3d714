#include "expression_builder.h"

#include <vector>

#include "classes/date4class.h"
#include "field_types.h"

namespace vandrel {

namespace {

const char *sortTermStart(int order) {
    switch (order) {
        case kAscending: return "ASCEND(";
        case kAscendingNoCase: return "ASCEND(UPPER(";
        case kDescending: return "DESCEND(";
        case kDescendingNoCase: return "DESCEND(UPPER(";
        default: return nullptr;
    }
}

const char *operatorText(int op) {
    switch (op) {
        case kLess: return "<";
        case kLessOrEqual: return "<=";
        case kEqual: return "=";
        case kGreaterOrEqual: return ">=";
        case kGreater: return ">";
        case kContains: return "$";
        default: return nullptr;
    }
}

bool buildSort(const FieldList &list, std::string &out) {
    for (int i = 0; i < list.count(); i++) {
        const FieldEntry &key = list[i];
        const char *start = sortTermStart(key.sortOrder);
        if (key.type == 'L' || !start) continue;
        if (!out.empty()) out += '+';
        out += start;
        out += key.name;
        out += key.sortOrder == kAscendingNoCase || key.sortOrder == kDescendingNoCase ? "))" : ")";
    }
    return true;
}

// One part of a filter: head, then padding, then tail. The padding of a
// memo comparison may be cut to what fits (capped); every other part is kept
// whole.
struct Part {
    std::string head;
    size_t pad = 0;
    char padChar = ' ';
    std::string tail;
    bool capped = false;
};

bool logicalConstant(const FieldEntry &c, std::string &out) {
    std::u16string t;
    for (char16_t ch : c.valueText) t += (ch >= u'a' && ch <= u'z') ? (char16_t)(ch - u'a' + u'A') : ch;
    if (t == u"TRUE" || t == u"YES") out = ".T.";
    else if (t == u"FALSE" || t == u"NO") out = ".F.";
    else if (c.valueNumber == 1.0) out = ".T.";
    else if (c.valueNumber == -1.0) out = ".F.";
    else return false;
    return true;
}

// The part of one condition; false when it cannot be written. A condition
// that is left out gives true with skip set.
bool filterPart(const FieldEntry &c, const TableText &text, Part &part, bool &skip) {
    skip = false;
    const char *op = operatorText(c.filterOperator);
    bool textType = isTextType(c.type);
    if (!op || c.type == 'B' || c.type == 'G' || c.type == 'X' || (c.filterOperator == kContains && !textType)) {
        skip = true;
        return true;
    }
    std::string value;
    if (c.type == 'L') {
        if (!logicalConstant(c, value)) return false;
    } else if (c.type == 'D') {
        Date4 date;
        date.assignDouble(c.valueNumber);
        value.assign(date.ptr(), 8);
    } else if (!text.narrow(c.valueText, value)) {
        return false;
    }
    char quote = textType && value.find('\'') != std::string::npos ? '"' : '\'';

    if (c.filterOperator == kContains) {
        part.head = quote + value + quote + "$" + c.name;
        return true;
    }
    bool quoted = textType || c.type == 'D';
    part.head = (c.type == 'D' ? "DTOS(" + c.name + ")" : c.name) + op;
    if (quoted) part.head += quote;
    part.head += value;
    bool padded = c.type != 'D' && c.type != 'L' && !(c.type == 'M' && c.filterOperator == kEqual);
    if (padded && c.length > 0 && value.size() < (size_t)c.length) {
        part.pad = (size_t)c.length - value.size();
        part.padChar = value.empty() && c.type == 'N' ? '0' : ' ';
        part.capped = c.type == 'M';
    }
    if (quoted) part.tail = std::string(1, quote);
    return true;
}

bool buildFilter(const FieldList &list, std::string &out, const TableText &text, size_t limit) {
    std::vector<Part> parts;
    for (int i = 0; i < list.count(); i++) {
        Part part;
        bool skip = false;
        if (!filterPart(list[i], text, part, skip)) return false;
        if (!skip) parts.push_back(std::move(part));
    }
    static const std::string kJoin = " .AND. ";
    size_t fixed = parts.empty() ? 0 : kJoin.size() * (parts.size() - 1);
    for (const Part &p : parts) fixed += p.head.size() + p.tail.size() + (p.capped ? 0 : p.pad);
    if (fixed > limit) return false;
    size_t room = limit - fixed;
    for (Part &p : parts) {
        if (!p.capped) continue;
        if (p.pad > room) p.pad = room;
        room -= p.pad;
    }
    out.reserve(limit - room);
    for (size_t i = 0; i < parts.size(); i++) {
        if (i) out += kJoin;
        out += parts[i].head;
        out.append(parts[i].pad, parts[i].padChar);
        out += parts[i].tail;
    }
    return true;
}

}  // namespace

bool buildExpression(const FieldList &list, std::string &out, char mode, const TableText &text, size_t bufferSize) {
    out.clear();
    size_t limit = bufferSize > 0 ? bufferSize - 1 : 0;  // room for the terminator
    bool ok = mode == 'F' ? buildFilter(list, out, text, limit) : buildSort(list, out);
    if (ok && out.size() <= limit) return true;
    out.clear();
    return false;
}

std::u16string sortOrderText(int order) {
    switch (order) {
        case kAscending: return u"Ascending";
        case kAscendingNoCase: return u"Ascending (NC)";
        case kDescending: return u"Descending";
        case kDescendingNoCase: return u"Descending (NC)";
        default: return u"";
    }
}

std::u16string filterOperatorMenuText(int op) {
    if (op == kContains) return u"Contains";
    const char *t = operatorText(op);
    return t ? std::u16string(t, t + std::char_traits<char>::length(t)) : u"";
}

std::u16string filterOperatorListText(int op) {
    return op == kContains ? u"{ }" : filterOperatorMenuText(op);
}

}  // namespace vandrel
