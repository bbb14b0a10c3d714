#!/usr/bin/env python3
"""SQLite doing the index writes of index4_write_bench, on a file on disk.
  sqlite_index_write.py build ROWS.tsv DBFILE
      loads (recno, name, id) rows, then times CREATE INDEX on name (best of
      three, the index dropped between runs); prints 'seconds'.
  sqlite_index_write.py insert ROWS.tsv DBFILE
      times inserting the rows, in one transaction, into an empty table with
      two indexes (name, id); prints 'seconds'.
Rows are tab-separated: recno, name, id."""
import os
import sqlite3
import sys
import time

mode, rows_path, db_path = sys.argv[1:4]
if os.path.exists(db_path):
    os.remove(db_path)
with open(rows_path, encoding="latin-1") as f:
    rows = [tuple(line.rstrip("\n").split("\t")) for line in f]
db = sqlite3.connect(db_path)
db.execute("CREATE TABLE people (recno INTEGER PRIMARY KEY, name TEXT, id INTEGER)")
if mode == "build":
    db.executemany("INSERT INTO people VALUES (?, ?, ?)", rows)
    db.commit()
    best = 1e9
    for _ in range(3):
        start = time.perf_counter()
        db.execute("CREATE INDEX people_name ON people (name)")
        db.commit()
        best = min(best, time.perf_counter() - start)
        db.execute("DROP INDEX people_name")
        db.commit()
    print(f"{best:.6f}")
else:
    db.execute("CREATE INDEX people_name ON people (name)")
    db.execute("CREATE INDEX people_id ON people (id)")
    db.commit()
    start = time.perf_counter()
    db.executemany("INSERT INTO people VALUES (?, ?, ?)", rows)
    db.commit()
    print(f"{time.perf_counter() - start:.6f}")
db.close()
os.remove(db_path)
