"""Writes tables with python3-dbf (an independent implementation of the
formats) for the interop tests: FoxPro 2.x with memo, Visual FoxPro, and
dBASE III without and with memos (.dbt). Deterministic data, a few deleted
records.

usage: make_peer_tables.py FOLDER
"""
import datetime
import random
import sys

import dbf

folder = sys.argv[1]
rng = random.Random(1234)
names = ['Anna', 'Zoë', 'Ñandú', 'O\'Brien', 'Smith, J.', 'Quote "q"', 'Ærø', '']


def some_date():
    if rng.random() < 0.2:
        return None
    return datetime.date(1900, 1, 1) + datetime.timedelta(days=rng.randrange(0, 60000))


def fill(table, make):
    table.open(dbf.READ_WRITE)
    for i in range(60):
        table.append(make(i))
        if i % 7 == 3:
            dbf.delete(table[-1])
    table.close()


fp = dbf.Table(folder + '/peer_fp.dbf', 'name C(12); amt N(10,2); qty N(5,0); born D; ok L; notes M',
               dbf_type='fp', codepage='cp1252')
fill(fp, lambda i: (rng.choice(names), round(rng.uniform(-9999, 99999), 2), rng.randrange(-999, 9999),
                    some_date(), rng.random() < 0.5,
                    rng.choice(['', 'short', 'line one\r\nline two', 'x' * rng.randrange(1, 700)])))

vfp = dbf.Table(folder + '/peer_vfp.dbf',
                'name C(12); amt N(10,2); born D; ok L; notes M; price Y; at T; num I; dbl B',
                dbf_type='vfp', codepage='cp1252')
fill(vfp, lambda i: (rng.choice(names), round(rng.uniform(-9999, 99999), 2), some_date(), rng.random() < 0.5,
                     rng.choice(['', 'memo text', 'y' * rng.randrange(1, 300)]),
                     round(rng.uniform(-1000, 1000), 4),
                     datetime.datetime(2000, 1, 1) + datetime.timedelta(seconds=rng.randrange(0, 10 ** 9)),
                     rng.randrange(-2 ** 31, 2 ** 31), rng.uniform(-1e6, 1e6)))

db3 = dbf.Table(folder + '/peer_db3.dbf', 'name C(12); amt N(10,2); born D; ok L',
                dbf_type='db3', codepage='cp1252')
fill(db3, lambda i: (rng.choice(names), round(rng.uniform(-9999, 99999), 2), some_date(), rng.random() < 0.5))

# dBASE III with memos in a .dbt: short, empty, missing and multi-block ones.
dbt = dbf.Table(folder + '/peer_dbt.dbf', 'name C(12); notes M; qty N(5,0); more M',
                dbf_type='db3', codepage='cp1252')
fill(dbt, lambda i: (rng.choice(names),
                     rng.choice(['', None, 'short', 'line one\r\nline two', 'q' * rng.randrange(1, 2000)]),
                     rng.randrange(-999, 9999),
                     rng.choice([None, 'w' * 510, 'tail ' * rng.randrange(1, 300)])))
