#include "field_types.h"

namespace vandrel {

std::u16string fieldTypeName(int type, bool varFields) {
    if (varFields) {
        if (type == 'V') return u"Varchar";
        if (type == 'Q') return u"Varbinary";
        if (type == 'W') return u"Blob";
    }
    switch (type) {
        case 'B': return u"Double";
        case 'C': return u"Text";
        case 'D': return u"Date";
        case 'F': return u"Float";
        case 'G': return u"OLE Binary";
        case 'I': return u"Integer";
        case 'L': return u"Logical";
        case 'M': return u"Memo";
        case 'N': return u"Numerical Text";
        case 'T': return u"DateTime";
        case 'X': return u"Meno Binary";
        case 'Y': return u"Currency";
        case 'Z': return u"Text/Binary";
        default: return u"Unknown";
    }
}

}  // namespace vandrel
