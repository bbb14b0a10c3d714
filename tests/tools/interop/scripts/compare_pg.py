"""Compares brindle's JSON dump of a table with the rows PostgreSQL holds
after loading it (json_agg of the table): the same rows, in any order.

usage: compare_pg.py DUMP.json PG.json copy|csv
copy: loaded from dump --format postgres (binary values as bytea)
csv:  loaded with COPY ... (FORMAT csv, HEADER) from dump --format csv
      (binary values are sizes there; an empty text is read back as null)
"""
import base64
import collections
import decimal
import json
import sys


def load(path):
    with open(path, encoding='utf-8') as f:
        return json.load(f, parse_float=decimal.Decimal, parse_int=decimal.Decimal)


def canonical(kind, mode, value, ours):
    """The value as both sides must agree on it."""
    if kind in 'CZM':
        return None if (mode == 'csv' and value == '') else value
    if value is None:
        return None
    if kind in 'NFYI':
        number = decimal.Decimal(value)
        return '0' if number == 0 else str(number.normalize())
    if kind == 'B':
        return str(value) if isinstance(value, str) else repr(float(value))
    if kind in 'DTL':
        return value
    if ours:
        data = base64.b64decode(value)
        return len(data) if mode == 'csv' else data
    if mode == 'csv':
        return int(value)
    return bytes.fromhex(value[2:]) if value.startswith('\\x') else value


def main():
    ours, theirs, mode = load(sys.argv[1]), load(sys.argv[2]), sys.argv[3]
    records = ours['records']
    fields = ours['fields']
    if len(records) != len(theirs):
        sys.exit('%d records dumped, %d in PostgreSQL' % (len(records), len(theirs)))
    with_deleted = bool(theirs) and 'deleted' in theirs[0]
    # Rows are compared as a whole, in any order: a heap keeps no load order.
    def ours_key(record):
        key = tuple(canonical(f['type'], mode, record['values'][f['name']], True) for f in fields)
        return key + ((record['deleted'],) if with_deleted else ())

    def theirs_key(row):
        key = tuple(canonical(f['type'], mode, row[f['name'].lower()], False) for f in fields)
        return key + ((row['deleted'],) if with_deleted else ())

    a = collections.Counter(ours_key(r) for r in records)
    b = collections.Counter(theirs_key(r) for r in theirs)
    missing, extra = a - b, b - a
    if missing or extra:
        names = [f['name'] for f in fields]
        for key in list(missing)[:5]:
            print('dumped, not in PostgreSQL:', dict(zip(names, key)))
        for key in list(extra)[:5]:
            print('in PostgreSQL, not dumped:', dict(zip(names, key)))
        sys.exit('%d dumped records have no equal row in PostgreSQL' % sum(missing.values()))
    print('%d records agree' % len(records))


main()
