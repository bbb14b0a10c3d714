"""The display text the session should give each field, worked out by
python3-dbfread (run with /usr/bin/python3).

  session_peer.py TABLE ENCODING ORDER

ORDER is the date order (0 month first, 1 day first, 2 year first). One line
per record: recno TAB deleted (0/1) TAB, then per field (the null-flags
field left out) the display text as UTF-8 in hex, ':', the number as repr(). A byte the code page leaves undefined shows as U+FFFD.
Display texts: C and N/F trimmed of blanks; D through the date picture (the
number the day number, 1e100 blank); L True/False/Yes/No (1/-1) or the byte;
M the memo; I digits; B with the field's decimals (%.15g without); Y four
decimals; T the date and hh:mm:ss; G "[Binary OLE]"; a null field empty.
"""
import datetime
import struct
import sys

import dbfread
from dbfread.field_parser import FieldParser

NO_DATE = 1e100
PICTURES = {0: 'MM/DD/CCYY', 1: 'DD/MM/CCYY', 2: 'CCYY/MM/DD'}


class RawParser(FieldParser):
    """Text-stored fields as their raw bytes; the rest as dbfread reads them."""

    def parseC(self, field, data):
        return data

    def parseN(self, field, data):
        return data

    def parseF(self, field, data):
        return data

    def parseD(self, field, data):
        return data

    def parseL(self, field, data):
        return data


def picture_of(d8, picture):
    """Lays the CCYYMMDD characters into the picture, letter by letter."""
    out = list(picture)
    sources = {'C': [0, 1], 'Y': [2, 3], 'M': [4, 5], 'D': [6, 7]}
    for letter, places in sources.items():
        targets = [i for i, ch in enumerate(picture) if ch == letter]
        for target, source in zip(targets, places):
            out[target] = d8[source]
    return ''.join(out)


def julian(d8):
    try:
        y, m, d = int(d8[0:4]), int(d8[4:6]), int(d8[6:8])
        return float(datetime.date(y, m, d).toordinal() + 1721425)
    except ValueError:
        return None


def display(field, value, picture, encoding, null):
    t = field.type
    if null:
        return '', (NO_DATE if t == 'D' else 0.0)
    if t in 'CNF':
        text = value.strip(b' ').decode(encoding, 'replace')
        try:
            return text, float(text)
        except ValueError:
            return text, 0.0
    if t == 'D':
        d8 = value.decode('latin-1')
        if d8.strip() == '' or d8 == '00000000':
            return picture_of(d8, picture), NO_DATE
        return picture_of(d8, picture), julian(d8)
    if t == 'L':
        c = value.decode('latin-1')
        for letters, text, number in (('Tt', 'True', 1.0), ('Yy', 'Yes', 1.0), ('Ff', 'False', -1.0),
                                      ('Nn', 'No', -1.0)):
            if c and c[0] in letters:
                return text, number
        return value.decode(encoding, 'replace'), 0.0
    if t == 'M':
        if value is None:
            return '', 0.0
        return (value if isinstance(value, str) else value.decode(encoding, 'replace')), 0.0
    if t == 'G':
        return '[Binary OLE]', 0.0
    if t == 'I':
        return '%d' % value, float(value)
    if t == 'B':
        text = '%.*f' % (field.decimal_count, value) if field.decimal_count else '%.15g' % value
        return text, value
    if t == 'Y':
        return format(value, '.4f'), float(value)
    if t == 'T':
        if value is None:
            return '', 0.0
        if value.microsecond >= 500000:
            value = value + datetime.timedelta(seconds=1)
        d8 = value.strftime('%Y%m%d')
        seconds = value.hour * 3600 + value.minute * 60 + value.second
        return picture_of(d8, picture) + value.strftime(' %H:%M:%S'), julian(d8) + seconds / 86400.0
    raise SystemExit('type %s not handled' % t)


def main():
    path, encoding, order = sys.argv[1], sys.argv[2], int(sys.argv[3])
    picture = PICTURES.get(order, PICTURES[0])
    with open(path, 'rb') as f:
        head = f.read(32)
        count, header_len, record_len = struct.unpack('<IHH', head[4:12])
        descriptors = f.read(header_len - 32)
        flags = []
        for i in range(0, len(descriptors) - 31, 32):
            if descriptors[i] == 0x0D:
                break
            flags.append(descriptors[i + 18])
        deleted_flags = []
        for n in range(count):
            f.seek(header_len + n * record_len)
            deleted_flags.append(f.read(1) == b'*')
    # Records as lists of (name, value): names may repeat.
    table = dbfread.DBF(path, encoding=encoding, parserclass=RawParser, load=False, recfactory=list,
                        ignore_missing_memofile=True, char_decode_errors='replace')
    # Bits of _NullFlags, in descriptor order among the nullable fields.
    nullable = {}
    bit = 0
    for index, (field, flag) in enumerate(zip(table.fields, flags)):
        if field.name != '_NullFlags' and flag & 0x02:
            nullable[index] = bit
            bit += 1
    live = iter(table.records)
    gone = iter(table.deleted)
    for recno in range(1, count + 1):
        deleted = deleted_flags[recno - 1]
        record = next(gone if deleted else live)
        nulls = dict(record).get('_NullFlags') or b''
        cells = []
        for index, (field, (name, value)) in enumerate(zip(table.fields, record)):
            if name == '_NullFlags':
                continue
            b = nullable.get(index)
            null = b is not None and b // 8 < len(nulls) and nulls[b // 8] & (1 << (b % 8))
            text, number = display(field, value, picture, encoding, null)
            cells.append('%s:%r' % (text.encode('utf-8').hex(), number))
        print('%d\t%d\t%s' % (recno, 1 if deleted else 0, '\t'.join(cells)))


main()
