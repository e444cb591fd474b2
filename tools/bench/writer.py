#!/usr/bin/env python3
"""A product writer as a standard SQLite client writes: Python's sqlite3
module with a 30 s time-out, whose busy handler is SQLite's own (it sleeps
1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50 and then 100 ms between tries).

    writer.py DATABASE STOP_FILE [SECONDS]

Inserts a call every 10 ms until STOP_FILE exists (or SECONDS have passed),
each in its own transaction, and prints how many it made and how long they
waited: "inserts=N p99_ms=X max_ms=Y first_ms=F seconds=S".
"""
import os
import sqlite3
import sys
import time

database, stop_file = sys.argv[1], sys.argv[2]
limit = float(sys.argv[3]) if len(sys.argv) > 3 else None
connection = sqlite3.connect(database, timeout=30)
waits = []
call = 900000000
started = time.monotonic()
while not os.path.exists(stop_file) and (limit is None or time.monotonic() - started < limit):
    began = time.monotonic()
    connection.execute("INSERT INTO Statistic_Call (CallID, TaskID, Start_Time) VALUES (?, 1, '2025-01-01 10:00:00')",
                       (call + len(waits),))
    connection.commit()
    waits.append((time.monotonic() - began) * 1000)
    time.sleep(0.01)
elapsed = time.monotonic() - started
first = waits[0] if waits else 0
waits.sort()
p99 = waits[min(len(waits) - 1, len(waits) * 99 // 100)] if waits else 0
print("inserts=%d p99_ms=%.1f max_ms=%.1f first_ms=%.1f seconds=%.2f" % (len(waits), p99, waits[-1] if waits else 0, first,
                                                                         elapsed))
