#!/usr/bin/env bash
# Measures the clean-up by date on a large statistics database, each route
# against what the database engine itself does with the same rows:
#   tools/benchmark.sh [CALLS] [DATE_ROWS]     (defaults: 1000000 and 200000)
# 1. No backup: the batched clean-up against the sqlite3 shell running the
#    single DELETE statements on a copy of the same file (bar: at most 1.25
#    times the shell's time).
# 2. A SQLite backup (attached, each batch copied and deleted in one
#    transaction) against the shell's INSERT ... SELECT plus DELETE (bar: at
#    most 1.5 times).
# 3. The row-by-row route that a backup on another server takes, forced on
#    the same files: rows per second (bar: 250,000) and peak memory (bar:
#    under 100 MB; the README's figure is taken at 2,000,000 calls).
# 4. A writer inserting a call every 10 ms while the clean-up runs: its p99
#    and longest wait (bar: 250 ms).
# ROUNDS (default 3) rounds each; the best round counts.
set -euo pipefail
cd "$(dirname "$0")/.."
calls=${1:-1000000}
date_rows=${2:-200000}
rounds=${ROUNDS:-3}
tools/setup.sh bench
tools/build.sh >/dev/null
bench=build/tools/bench/qelcleanup-bench
work=build/bench-data
mkdir -p "$work"
fixture="$work/fixture-$calls-$date_rows"
if [ ! -f "$fixture/statistics.db" ]; then
  echo "Building the fixture: $calls calls, $date_rows rows per dated table..."
  "$bench" generate "$fixture" "$calls" "$date_rows"
fi
"$bench" statements > "$work/deletes.sql"
"$bench" copies > "$work/copies.sql"

now() { date +%s.%N; }
best() { printf '%s\n' "$@" | sort -g | head -n 1; }
field() { sed -E "s/.*[ ^]$1=([0-9.]+).*/\1/" <<<" $2"; }
fresh() { rm -f "$work/$1" "$work/$1-journal" "$work/backup-$1" "$work/backup-$1-journal"; cp "$fixture/statistics.db" "$work/$1"; sync; }
ours() { # FILE [TARGET] [OPTIONS...]: prints the bench's result line, fails when the run did
  local line
  line=$("$bench" run "$@")
  [[ $line == ok=1* ]] || { echo "the clean-up failed: $line" >&2; exit 1; }
  echo "$line"
}

shell_delete=(); ours_delete=(); shell_move=(); ours_move=(); ours_rbr=(); rbr_peak=(); rows=0
for round in $(seq "$rounds"); do
  fresh shell.db
  t0=$(now); sqlite3 "$work/shell.db" < "$work/deletes.sql"; t1=$(now)
  shell_delete+=("$(echo "$t1 - $t0" | bc)")
  fresh ours.db
  line=$(ours "$work/ours.db")
  ours_delete+=("$(field seconds "$line")")
  echo "round $round, no backup:  shell ${shell_delete[-1]} s, $line"

  # The shell's move: the backup tables exist first; the copies and the deletes are timed.
  fresh shell.db
  sqlite3 "$work/shell.db" "ATTACH '$work/backup-shell.db' AS backup;
    $(sqlite3 "$work/shell.db" "SELECT 'CREATE TABLE backup.' || name || ' AS SELECT * FROM ' || name || ' WHERE 0;' FROM sqlite_master WHERE type='table' AND name LIKE 'Statistic%'")"
  t0=$(now)
  sqlite3 "$work/shell.db" "ATTACH '$work/backup-shell.db' AS backup" ".read $work/copies.sql" ".read $work/deletes.sql"
  t1=$(now)
  shell_move+=("$(echo "$t1 - $t0" | bc)")
  fresh ours.db
  line=$(ours "$work/ours.db" "$work/backup-ours.db")
  ours_move+=("$(field seconds "$line")")
  echo "round $round, backup:     shell ${shell_move[-1]} s, $line"

  fresh ours.db
  line=$(ours "$work/ours.db" "$work/backup-ours.db" --row-by-row)
  ours_rbr+=("$(field seconds "$line")"); rbr_peak+=("$(field peak_mb "$line")")
  rows=$(sed -E 's/.*: ([0-9]+) records deleted.*/\1/' <<<"$line")
  echo "round $round, row by row: $line"
done

fresh ours.db
writer=$(ours "$work/ours.db" --writer)
echo "with a writer:            $writer"

sd=$(best "${shell_delete[@]}"); od=$(best "${ours_delete[@]}")
sm=$(best "${shell_move[@]}"); om=$(best "${ours_move[@]}")
orbr=$(best "${ours_rbr[@]}")
peak=$(printf '%s\n' "${rbr_peak[@]}" | sort -g | tail -n 1)
echo
echo "$calls calls, $date_rows rows per dated table; $rows rows deleted per run. Best of $rounds rounds:"
printf 'No backup:       shell %.2f s, QelCleanup %.2f s, %.2f times the shell (bar: at most 1.25)\n' "$sd" "$od" "$(echo "$od / $sd" | bc -l)"
printf 'SQLite backup:   shell %.2f s, QelCleanup %.2f s, %.2f times the shell (bar: at most 1.5)\n' "$sm" "$om" "$(echo "$om / $sm" | bc -l)"
printf 'Row by row:      %.2f s, %.0f rows/s (bar: 250000), peak %.1f MB (bar: under 100 MB)\n' "$orbr" "$(echo "$rows / $orbr" | bc -l)" "$peak"
printf 'Writer waits:    p99 %s ms, longest %s ms (bar: 250 ms)\n' "$(field writer_p99_ms "$writer")" "$(field writer_max_ms "$writer")"
