#!/usr/bin/env bash
# Measures the clean-up by date, each route against what the database
# engine itself does with the same rows, side by side in one run:
#   tools/benchmark.sh [CALLS] [DATE_ROWS]     (defaults: 200000 and 40000)
# 1. No backup, default settings: the clean-up against the sqlite3 shell
#    running the single DELETE statements on a copy of the same file (bar:
#    at most 1.25 times the shell's time).
# 2. A SQLite backup (attached) against the shell's INSERT ... SELECT plus
#    DELETE into an attached file (bar: at most 1.5 times).
# 3. The row-by-row route that a backup on another server takes, forced on
#    the same files, whole run, against the same shell run (bar: at most 3.5
#    times), with its peak memory (bar: under 100 MB).
# 4. A product writer that is a standard client (Python's sqlite3, SQLite's
#    own busy handler, 30 s time-out) inserting every 10 ms beside a
#    clean-up of WRITER_CALLS calls (default 600000): its longest wait (bar:
#    500 ms), p99 (bar: 250 ms), and its inserts against as long a run of it
#    alone (bar: at least half); and the first wait of a writer that comes
#    along 3 s into a clean-up.
# 5. Peak memory with one row of a 50 MB BLOB and 25 MB of text, attached
#    and row by row (bar: a small multiple of the row's 75 MB).
# 6. Empty key space: a clean-up of 100,000 calls, without a backup and with
#    an attached one, against the same clean-up after one row at rowid 10^12
#    was added to every table (bar: at most a second more).
# MEMORY_CALLS=N (e.g. 2000000) also measures peak memory on every route at
# N calls (bar: under 100 MB). ROUNDS (default 3) rounds of 1-3; the best
# round counts.
set -euo pipefail
cd "$(dirname "$0")/.."
calls=${1:-200000}
date_rows=${2:-40000}
rounds=${ROUNDS:-3}
writer_calls=${WRITER_CALLS:-600000}
tools/setup.sh bench
tools/build.sh >/dev/null
bench=build/tools/bench/qelcleanup-bench
work=build/bench-data
mkdir -p "$work"

fixture_of() { # CALLS DATE_ROWS: prints the folder of that fixture, built once
  local folder="$work/fixture-$1-$2"
  if [ ! -f "$folder/statistics.db" ]; then
    echo "Building the fixture: $1 calls, $2 rows per dated table..." >&2
    "$bench" generate "$folder" "$1" "$2"
  fi
  echo "$folder"
}
fixture=$(fixture_of "$calls" "$date_rows")
"$bench" statements > "$work/deletes.sql"
"$bench" copies > "$work/copies.sql"

now() { date +%s.%N; }
best() { printf '%s\n' "$@" | sort -g | head -n 1; }
most() { printf '%s\n' "$@" | sort -g | tail -n 1; }
field() { sed -E "s/.*[ ^]$1=([0-9.]+).*/\1/" <<<" $2"; }
fresh() { # NAME [FIXTURE]
  rm -f "$work/$1" "$work/$1-journal" "$work/$1-wal" "$work/backup-$1" "$work/backup-$1-journal"
  cp "${2:-$fixture}/statistics.db" "$work/$1"; sync
}
ours() { # FILE [TARGET] [OPTIONS...]: prints the bench's result line, fails when the run did
  local line
  line=$("$bench" run "$@")
  [[ $line == ok=1* ]] || { echo "the clean-up failed: $line" >&2; exit 1; }
  echo "$line"
}
shell_move() { # FILE: the shell's copy into an attached backup and delete, timed; prints seconds
  local file=$1 backup="$work/backup-$(basename "$1")"
  sqlite3 "$file" "ATTACH '$backup' AS backup;
    $(sqlite3 "$file" "SELECT 'CREATE TABLE backup.' || name || ' AS SELECT * FROM ' || name || ' WHERE 0;' FROM sqlite_master WHERE type='table' AND name LIKE 'Statistic%'")"
  local t0 t1
  t0=$(now)
  sqlite3 "$file" "ATTACH '$backup' AS backup" ".read $work/copies.sql" ".read $work/deletes.sql"
  t1=$(now)
  echo "$t1 - $t0" | bc
}

shell_delete=(); ours_delete=(); shell_moves=(); ours_move=(); ours_rbr=(); peaks=(); rows=0
for round in $(seq "$rounds"); do
  fresh shell.db
  t0=$(now); sqlite3 "$work/shell.db" < "$work/deletes.sql"; t1=$(now)
  shell_delete+=("$(echo "$t1 - $t0" | bc)")
  fresh ours.db
  line=$(ours "$work/ours.db")
  ours_delete+=("$(field seconds "$line")"); peaks+=("$(field peak_mb "$line")")
  echo "round $round, no backup:  shell ${shell_delete[-1]} s, $line"

  fresh shell.db
  shell_moves+=("$(shell_move "$work/shell.db")")
  fresh ours.db
  line=$(ours "$work/ours.db" "$work/backup-ours.db")
  ours_move+=("$(field seconds "$line")"); peaks+=("$(field peak_mb "$line")")
  echo "round $round, backup:     shell ${shell_moves[-1]} s, $line"

  fresh ours.db
  line=$(ours "$work/ours.db" "$work/backup-ours.db" --row-by-row)
  ours_rbr+=("$(field seconds "$line")"); peaks+=("$(field peak_mb "$line")")
  rows=$(sed -E 's/.*: ([0-9]+) records deleted.*/\1/' <<<"$line")
  echo "round $round, row by row: $line"
done

# A standard client writing beside a clean-up, then alone for as long.
writer_fixture=$(fixture_of "$writer_calls" $((writer_calls / 5)))
fresh writer.db "$writer_fixture"
rm -f "$work/writer.stop"
python3 tools/bench/writer.py "$work/writer.db" "$work/writer.stop" > "$work/writer.out" &
writer_pid=$!
sleep 0.5
line=$(ours "$work/writer.db")
touch "$work/writer.stop"; wait "$writer_pid"
beside=$(cat "$work/writer.out")
echo "with a writer:            $line; writer: $beside"
fresh writer.db "$writer_fixture"
alone=$(python3 tools/bench/writer.py "$work/writer.db" "$work/writer.stop-never" "$(field seconds "$beside")")
echo "the writer alone:         $alone"

# A writer that comes along while the clean-up has had the file to itself
# for a while: how long its first insert waits.
fresh writer.db "$writer_fixture"
"$bench" run "$work/writer.db" > "$work/late-run.out" &
run_pid=$!
sleep 3
late=$(python3 tools/bench/writer.py "$work/writer.db" "$work/writer.stop-never" 1)
wait "$run_pid"
echo "a writer coming late:     $late"

# One big row.
big=$work/fixture-big-row
[ -f "$big/statistics.db" ] || "$bench" generate-big-row "$big"
fresh big.db "$big"
big_attached=$(ours "$work/big.db" "$work/backup-big.db")
fresh big.db "$big"
big_rbr=$(ours "$work/big.db" "$work/backup-big.db" --row-by-row)

# One far rowid in every table: the walks must not pay for the empty keys.
far_fixture=$(fixture_of 100000 20000)
far_rows=$(sqlite3 "$far_fixture/statistics.db" "SELECT 'INSERT INTO ' || m.name || ' (rowid, ' ||
    group_concat(p.name, ', ') || ') SELECT 1000000000000, ' ||
    group_concat(CASE WHEN p.pk THEN '1000000000000' ELSE p.name END, ', ') ||
    ' FROM ' || m.name || ' ORDER BY rowid LIMIT 1;'
  FROM sqlite_master AS m, pragma_table_info(m.name) AS p
  WHERE m.type = 'table' AND m.name LIKE 'Statistic%' GROUP BY m.name")
far_times=()
for target in "" "$work/backup-far.db"; do
  fresh far.db "$far_fixture"
  # shellcheck disable=SC2086
  far_times+=("$(field seconds "$(ours "$work/far.db" $target)")")
  fresh far.db "$far_fixture"
  sqlite3 "$work/far.db" "$far_rows"
  # shellcheck disable=SC2086
  far_times+=("$(field seconds "$(ours "$work/far.db" $target)")")
done
echo "empty key space:          no backup ${far_times[0]} s, with far rows ${far_times[1]} s; attached ${far_times[2]} s, with far rows ${far_times[3]} s"

memory=""
if [ -n "${MEMORY_CALLS:-}" ]; then
  memory_fixture=$(fixture_of "$MEMORY_CALLS" $((MEMORY_CALLS / 5)))
  memory_peaks=()
  for route in "" "$work/backup-memory.db" "$work/backup-memory.db --row-by-row"; do
    fresh memory.db "$memory_fixture"
    # shellcheck disable=SC2086
    line=$(ours "$work/memory.db" $route)
    memory_peaks+=("$(field peak_mb "$line")")
    echo "$MEMORY_CALLS calls ${route:-no backup}: $line"
  done
  memory=$(printf 'Peak memory at %s calls: no backup %s MB, attached %s MB, row by row %s MB (bar: under 100 MB)' \
    "$MEMORY_CALLS" "${memory_peaks[@]}")
fi

sd=$(best "${shell_delete[@]}"); od=$(best "${ours_delete[@]}")
sm=$(best "${shell_moves[@]}"); om=$(best "${ours_move[@]}")
orbr=$(best "${ours_rbr[@]}")
echo
echo "$calls calls, $date_rows rows per dated table; $rows rows deleted per run. Best of $rounds rounds:"
printf 'No backup:       shell %.2f s, QelCleanup %.2f s, %.2f times the shell (bar: at most 1.25)\n' "$sd" "$od" "$(echo "$od / $sd" | bc -l)"
printf 'SQLite backup:   shell %.2f s, QelCleanup %.2f s, %.2f times the shell (bar: at most 1.5)\n' "$sm" "$om" "$(echo "$om / $sm" | bc -l)"
printf 'Row by row:      %.2f s, %.0f rows/s, %.2f times the shell'"'"'s attached copy (bar: at most 3.5)\n' \
  "$orbr" "$(echo "$rows / $orbr" | bc -l)" "$(echo "$orbr / $sm" | bc -l)"
printf 'Peak memory:     %s MB at most on any route (bar: under 100 MB)\n' "$(most "${peaks[@]}")"
printf 'A writer:        longest wait %s ms (bar: 500), p99 %s ms (bar: 250), %s inserts beside a %s-call clean-up against %s alone (%.0f %%; bar: at least 50 %%)\n' \
  "$(field max_ms "$beside")" "$(field p99_ms "$beside")" "$(field inserts "$beside")" "$writer_calls" \
  "$(field inserts "$alone")" "$(echo "100 * $(field inserts "$beside") / $(field inserts "$alone")" | bc -l)"
printf 'A late writer:   its first insert waited %s ms (after 3 s of the clean-up alone)\n' "$(field first_ms "$late")"
printf 'One 75 MB row:   peak %s MB attached, %s MB row by row\n' "$(field peak_mb "$big_attached")" "$(field peak_mb "$big_rbr")"
printf 'A far rowid:     100,000 calls, a row at rowid 10^12 in every table: %+.2f s without a backup, %+.2f s attached (bar: at most +1 s)\n' \
  "$(echo "${far_times[1]} - ${far_times[0]}" | bc -l)" "$(echo "${far_times[3]} - ${far_times[2]}" | bc -l)"
[ -z "$memory" ] || echo "$memory"
