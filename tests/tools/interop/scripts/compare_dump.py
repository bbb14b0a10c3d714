"""Compares `brindle dump --format json` of a table with what python3-dbfread
(an independent reader) reads from the same file. Prints the differences and
exits 1 when there are any.

usage: compare_dump.py TABLE DUMP.json
"""
import base64
import datetime
import decimal
import json
import sys

import dbfread

table, dump_path = sys.argv[1], sys.argv[2]
with open(dump_path, encoding='utf-8') as f:
    dump = json.load(f)

peer = dbfread.DBF(table, encoding='cp1252', char_decode_errors='strict', raw=False)
peer_records = list(peer)
ours = dump['records']
problems = []
if len(peer_records) != len(ours):
    problems.append('record count: peer %d, brindle %d' % (len(peer_records), len(ours)))

types = {f['name']: f['type'] for f in dump['fields']}


def expected(ftype, value):
    """The peer's value in the tool's documented output form."""
    if value is None:
        # a memo field without a memo is empty text
        return '' if ftype == 'M' else None
    if ftype in 'CM':
        v = value.rstrip(' ') if ftype == 'C' else value
        return v
    if ftype == 'D':
        return value.isoformat()
    if ftype == 'T':
        return value.replace(microsecond=0).isoformat()
    if ftype == 'L':
        return value
    if ftype in 'NFIYB':
        return decimal.Decimal(str(value))
    return value


for index, (p, o) in enumerate(zip(peer_records, ours)):
    values = o['values']
    for name, ftype in types.items():
        want = expected(ftype, p.get(name))
        got = values.get(name)
        if ftype in 'NFIY' and got is not None:
            got = decimal.Decimal(str(got)) if not isinstance(got, str) else got
        if ftype == 'B' and got is not None:
            got = decimal.Decimal(repr(float(got)))
            want = decimal.Decimal(repr(float(p.get(name)))) if p.get(name) is not None else None
        if ftype == 'N' and want is None and got is None:
            continue
        if ftype in 'NF' and p.get(name) is not None and got is not None:
            # compare numerically: the peer reads a float
            if abs(float(got) - float(p.get(name))) > 1e-9 * max(1.0, abs(float(got))):
                problems.append('record %d field %s: peer %r, brindle %r' % (index + 1, name, p.get(name), got))
            continue
        if want != got:
            problems.append('record %d field %s: peer %r, brindle %r' % (index + 1, name, want, got))

for line in problems[:40]:
    print(line)
sys.exit(1 if problems else 0)
