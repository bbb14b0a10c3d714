#!/usr/bin/env python3
"""The same lookups in SQLite: load (recno, name) rows into an indexed table
on disk, then time one SELECT per lookup key (first record with that name).
Usage: sqlite_lookups.py ROWS.tsv KEYS.txt DBFILE; prints 'seconds found'."""
import os
import sqlite3
import sys
import time

rows_path, keys_path, db_path = sys.argv[1:4]
if os.path.exists(db_path):
    os.remove(db_path)
db = sqlite3.connect(db_path)
db.execute("CREATE TABLE people (recno INTEGER PRIMARY KEY, name TEXT)")
with open(rows_path, encoding="latin-1") as f:
    db.executemany("INSERT INTO people VALUES (?, ?)", (line.rstrip("\n").split("\t") for line in f))
db.execute("CREATE INDEX people_name ON people (name, recno)")
db.commit()
keys = [line.rstrip("\n") for line in open(keys_path, encoding="latin-1")]
cur = db.cursor()
query = "SELECT recno FROM people WHERE name = ? ORDER BY recno LIMIT 1"
for k in keys[:1000]:  # warm the page cache as the engine's run is warm
    cur.execute(query, (k,)).fetchone()
start = time.perf_counter()
found = 0
for k in keys:
    if cur.execute(query, (k,)).fetchone() is not None:
        found += 1
elapsed = time.perf_counter() - start
print(f"{elapsed:.6f} {found}")
db.close()
os.remove(db_path)
