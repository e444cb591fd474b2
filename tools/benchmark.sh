#!/usr/bin/env bash
# Measures the clean-up by date on a large statistics database against the
# sqlite3 shell running the same statements on a copy of the same file.
#   tools/benchmark.sh [CALLS] [DATE_ROWS]     (defaults: 1000000 and 200000)
# The bars: without a backup the clean-up takes at most 1.10 times the
# shell's time; with a backup into SQLite the copy runs at no less than a
# third of the shell's INSERT ... SELECT speed, in less than 200 MB.
set -euo pipefail
cd "$(dirname "$0")/.."
calls=${1:-1000000}
date_rows=${2:-200000}
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

rounds=${ROUNDS:-3}
shell_delete=(); ours_delete=(); shell_copy=(); ours_copy=(); ours_peak=()
for round in $(seq "$rounds"); do
  cp "$fixture/statistics.db" "$work/shell.db"
  t0=$(now); sqlite3 "$work/shell.db" < "$work/deletes.sql"; t1=$(now)
  shell_delete+=("$(echo "$t1 - $t0" | bc)")
  echo "round $round, shell deletes: ${shell_delete[-1]} s"

  cp "$fixture/statistics.db" "$work/ours.db"
  line=$("$bench" run "$work/ours.db")
  ours_delete+=("$(sed -E 's/.*seconds=([0-9.]+) copy.*/\1/' <<<"$line")")
  echo "round $round, no backup: $line"

  # The shell's copy: the target tables exist first, only the INSERTs are timed.
  cp "$fixture/statistics.db" "$work/shell.db"; rm -f "$work/shell-backup.db"
  sqlite3 "$work/shell.db" "ATTACH '$work/shell-backup.db' AS backup;
    $(sqlite3 "$work/shell.db" "SELECT 'CREATE TABLE backup.' || name || ' AS SELECT * FROM ' || name || ' WHERE 0;' FROM sqlite_master WHERE type='table' AND name LIKE 'Statistic%'")"
  t0=$(now); { echo "ATTACH '$work/shell-backup.db' AS backup;"; cat "$work/copies.sql"; } | sqlite3 "$work/shell.db"; t1=$(now)
  shell_copy+=("$(echo "$t1 - $t0" | bc)")
  echo "round $round, shell copies: ${shell_copy[-1]} s"

  cp "$fixture/statistics.db" "$work/ours.db"; rm -f "$work/ours-backup.db"
  line=$("$bench" run "$work/ours.db" "$work/ours-backup.db")
  ours_copy+=("$(sed -E 's/.*copy_seconds=([0-9.]+) .*/\1/' <<<"$line")")
  ours_peak+=("$(sed -E 's/.*peak_mb=([0-9.]+) .*/\1/' <<<"$line")")
  echo "round $round, backup:    $line"
done

sd=$(best "${shell_delete[@]}"); od=$(best "${ours_delete[@]}")
sc=$(best "${shell_copy[@]}"); oc=$(best "${ours_copy[@]}")
peak=$(printf '%s\n' "${ours_peak[@]}" | sort -g | tail -n 1)
rows=$(sqlite3 "$work/ours-backup.db" "SELECT (SELECT COUNT(*) FROM Statistic_Call)")
echo
echo "Statistic_Call rows: $calls (copied to the backup: $rows); rows per dated table: $date_rows"
echo "Best of $rounds rounds each:"
printf 'Delete, no backup:  shell %.2f s, QelCleanup %.2f s, ratio %.3f (bar: 1.10 or less)\n' "$sd" "$od" "$(echo "$od / $sd" | bc -l)"
printf 'Copy into backup:   shell %.2f s, QelCleanup %.2f s, speed ratio %.3f (bar: 0.333 or more)\n' "$sc" "$oc" "$(echo "$sc / $oc" | bc -l)"
printf 'Peak memory with backup: %.1f MB (bar: under 200 MB)\n' "$peak"
