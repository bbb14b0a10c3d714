"""Peer readers and writer for the interop tests (run with /usr/bin/python3,
which sees Debian's python3-dbfread and python3-dbf).

  peer.py dbfread TABLE        every record as python3-dbfread decodes it
  peer.py dbf TABLE            every record as python3-dbf decodes it
  peer.py xbase TABLE          every record as Perl's XBase module decodes it
  peer.py write FOLDER         write tables with python3-dbf; print what was written
  peer.py write-dbt FOLDER     write dBASE III tables with .dbt memos the same way

Output, one line per record: recno TAB flag TAB NAME=VALUE TAB ...; the flag
is the deletion byte ('*' or ' ', as hex); VALUE is the canonical text of the
field in hex, or '~' for no value. Canonical texts: C without trailing blanks
and NULs; N, F, I as the decimal number (%d for integers, %.17g otherwise);
B %.17g; Y with four decimals; D as YYYYMMDD; L as T or F; T as
YYYYMMDDhh:mm:ss (seconds rounded); M and G the memo bytes. Text is 8-bit:
latin-1 maps every byte to itself. Harbour's + reads as I, its = and @ as
T. Types other than these are left out.

python3-dbfread reads a dBASE IV memo (.dbt of a 0x8B table) 8 bytes too
long, taking its length to exclude the block's 8-byte header, and then
cuts it at the first 0x1F byte; Perl's XBase reads those memos by their
length, so it is the reader for them.
"""
import datetime
import decimal
import sys

COMPARED = set('CNFDLMGIBYT+=@')
# Harbour's own types read as their FoxPro counterparts.
COUNTERPART = {'+': 'I', '=': 'T', '@': 'T'}


def number(v):
    if isinstance(v, bool):
        return 'T' if v else 'F'
    if isinstance(v, int):
        return '%d' % v
    if isinstance(v, decimal.Decimal):
        return format(v, '.4f')
    return '%.17g' % v


def canonical(ftype, v):
    ftype = COUNTERPART.get(ftype, ftype)
    if v is None:
        return '' if ftype in 'MG' else None
    if ftype == 'C':
        return v.rstrip(' \0') if isinstance(v, str) else v.decode('latin-1').rstrip(' \0')
    if ftype in 'NFIB':
        return number(v)
    if ftype == 'Y':
        return format(decimal.Decimal(v), '.4f')
    if ftype == 'L':
        return 'T' if v else 'F'
    if ftype == 'D':
        return v.strftime('%Y%m%d') if v.year >= 1000 else '%04d%02d%02d' % (v.year, v.month, v.day)
    if ftype == 'T':
        if v.microsecond >= 500000:
            v = v + datetime.timedelta(seconds=1)
        return '%04d%02d%02d%02d:%02d:%02d' % (v.year, v.month, v.day, v.hour, v.minute, v.second)
    if ftype in 'MG':
        return v if isinstance(v, str) else v.decode('latin-1')
    return None


def line(recno, flag, pairs):
    out = ['%d' % recno, flag.encode('latin-1').hex()]
    for name, text in pairs:
        out.append('%s=%s' % (name, '~' if text is None else text.encode('latin-1').hex()))
    return '\t'.join(out)


def dump_dbfread(path):
    from dbfread import DBF, FieldParser

    class Parser(FieldParser):
        # Blob and varbinary fields of the newer writers' tables, which
        # dbfread does not know: their bytes, never compared.
        def parseW(self, field, data):
            return data

        parseQ = parseW

        # Harbour's modification time stamp, stored as its @ time stamp.
        def parse3D(self, field, data):
            return self.parseT(field, data)

        # python3-dbfread takes B outside Visual FoxPro tables for dBASE's
        # binary memo; Harbour's 8-byte B in a 0x03 table is a double.
        def parseB(self, field, data):
            if len(data) == 8 and self.dbversion not in (0x30, 0x31, 0x32):
                import struct
                return struct.unpack('<d', data)[0]
            return FieldParser.parseB(self, field, data)

    table = DBF(path, encoding='latin-1', load=False, ignore_missing_memofile=True, parserclass=Parser)
    with open(path, 'rb') as infile, table._open_memofile() as memofile:
        parser = table.parserclass(table, memofile)
        infile.seek(table.header.headerlen)
        recno = 0
        while recno < table.header.numrecords:
            flag = infile.read(1)
            if flag in (b'\x1a', b''):
                break
            recno += 1
            # In field order: a table may hold two fields of one name.
            values = [(f, parser.parse(f, infile.read(f.length))) for f in table.fields]
            pairs = [(f.name, canonical(f.type, v)) for f, v in values if f.type in COMPARED]
            print(line(recno, flag.decode('latin-1'), pairs))


def dump_dbf(path):
    import dbf
    # cp437 maps every byte: the texts go back to their bytes below.
    table = dbf.Table(path, codepage='cp437')
    table.open(dbf.READ_ONLY)
    try:
        names = table.field_names
        for i, rec in enumerate(table):
            pairs = []
            for name in names:
                info = table.field_info(name)
                ftype = chr(info.field_type) if isinstance(info.field_type, int) else str(info.field_type)
                ftype = ftype[-1]
                if ftype not in COMPARED:
                    continue
                v = rec[name]
                if v is dbf.Null:
                    v = None
                if isinstance(v, str) and ftype == 'C':
                    v = v.rstrip()
                if v is not None and ftype == 'D' and not v:
                    v = None
                if v is not None and ftype == 'T' and not v:
                    v = None
                if v is not None and ftype == 'L' and v not in (True, False):
                    v = None
                if ftype == 'D' and v is not None and not isinstance(v, datetime.date):
                    v = v._date
                if ftype == 'T' and v is not None and not isinstance(v, datetime.datetime):
                    v = v._datetime
                if isinstance(v, str):
                    v = v.encode('cp437').decode('latin-1')
                pairs.append((name.upper(), canonical(ftype, v)))
            print(line(i + 1, '*' if dbf.is_deleted(rec) else ' ', pairs))
    finally:
        table.close()


XBASE_DUMP = r'''
use XBase;
my $t = XBase->new($ARGV[0]) or die XBase->errstr;
my @names = $t->field_names;
my @types = $t->field_types;
for my $i (0 .. $t->last_record) {
    my ($deleted, @values) = $t->get_record($i);
    my @out = ($i + 1, $deleted ? 1 : 0);
    for my $j (0 .. $#names) {
        my $v = $values[$j];
        push @out, $names[$j] . "=" . $types[$j] . ":" . (defined $v ? unpack("H*", $v) : "~");
    }
    print join("\t", @out), "\n";
}
'''


def dump_xbase(path):
    import subprocess
    out = subprocess.run(['perl', '-e', XBASE_DUMP, path], check=True, capture_output=True).stdout
    for row in out.decode('ascii').splitlines():
        parts = row.split('\t')
        pairs = []
        for item in parts[2:]:
            name, rest = item.split('=', 1)
            ftype, value = rest.split(':', 1)
            if ftype not in COMPARED:
                continue
            v = None if value == '~' else bytes.fromhex(value).decode('latin-1')
            if v is not None and ftype in 'NF':
                v = float(v)
            elif v is not None and ftype == 'L':
                v = v == '1'
            elif v is not None and ftype == 'D':
                v = datetime.date(int(v[:4]), int(v[4:6]), int(v[6:8]))
            pairs.append((name.upper(), canonical(ftype, v)))
        print(line(int(parts[0]), '*' if parts[1] == '1' else ' ', pairs))


def write_tables(folder, layouts):
    """Writes each (kind, name, fields, rows) with python3-dbf, then prints
    its name and its records as python3-dbf reads them back."""
    import dbf
    for kind, name, fields, rows in layouts:
        path = '%s/%s.dbf' % (folder, name)
        table = dbf.Table(path, fields, dbf_type=kind, codepage='cp1252')
        table.open(dbf.READ_WRITE)
        for row in rows:
            table.append(row)
        table.close()
        print('table\t%s' % path)
        dump_dbf(path)


def write_dbt(folder):
    import dbf
    # Short, long (several 512-byte blocks), empty and missing memos.
    layouts = [
        ('peer_dbt', 'NAME C(12); NOTES M; QTY N(4,0); BORN D; OK L', [
            ('short', 'a short memo', 1, dbf.Date(2001, 2, 3), True),
            ('long', ''.join(chr(97 + i % 26) for i in range(1500)), 2, None, None),
            ('exact', 'y' * 510, 3, dbf.Date(1999, 12, 31), False),
            ('empty', '', 4, None, False),
            ('missing', None, None, None, None),
            ('lines', 'one\r\ntwo\r\n\tthree \xe9', -5, dbf.Date(2020, 2, 29), True),
        ]),
        ('peer_dbt2', 'MEMO1 M; CODE C(3); MEMO2 M', [
            ('first', 'A1', 'second ' * 200),
            (None, 'B2', None),
            ('z' * 2000, 'C3', 'tail'),
        ]),
    ]
    write_tables(folder, [("db3",) + layout for layout in layouts])


def write(folder):
    import dbf
    layouts = [
        ('db3', 'peer_db3', 'NAME C(12); AMOUNT N(9,2); QTY N(4,0); BORN D; OK L', [
            ('Ann', 12.5, 3, dbf.Date(2001, 2, 3), True),
            ('Bob Smith', -0.25, -17, dbf.Date(1999, 12, 31), False),
            ('', None, None, None, None),
        ]),
        ('fp', 'peer_fp', 'NAME C(10); PRICE N(10,3); NOTES M; SEEN D; FLAG L', [
            ('widget', 3.125, 'first memo', dbf.Date(2010, 6, 15), True),
            ('gadget', 1000.5, 'x' * 700, dbf.Date(2020, 2, 29), False),
            ('none', 0, '', None, None),
        ]),
        ('vfp', 'peer_vfp', 'NAME C(8); COUNT I; RATIO B; COST Y; STAMP T; NOTES M; NN C(4) NULL', [
            ('one', 42, 0.1, decimal.Decimal('12.3456'), dbf.DateTime(2003, 5, 13, 12, 34, 56), 'vfp memo', 'ab'),
            ('two', -7, -2.5e10, decimal.Decimal('-0.0001'), dbf.DateTime(1999, 1, 1, 0, 0, 1), '', None),
        ]),
    ]
    write_tables(folder, layouts)


def main():
    command, arg = sys.argv[1], sys.argv[2]
    if command == 'dbfread':
        dump_dbfread(arg)
    elif command == 'dbf':
        dump_dbf(arg)
    elif command == 'xbase':
        dump_xbase(arg)
    elif command == 'write':
        write(arg)
    elif command == 'write-dbt':
        write_dbt(arg)
    else:
        sys.exit('unknown command ' + command)


if __name__ == '__main__':
    main()
