#!/usr/bin/env bash
# Takes the README's pictures of the windows under a virtual X display
# (Xvfb), at 96 and at 192 dpi, on a demo data set of its own; the user's
# settings and display are not touched.
#   tools/screenshots.sh [FOLDER]      (default: docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/screenshots}"
tools/setup.sh screenshots
tools/build.sh >/dev/null
mkdir -p "$out"

work=$(mktemp -d "${TMPDIR:-/tmp}/qel.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
demo="$work"
build/tools/demo/qelcleanup-demo "$demo" >/dev/null
# Cleaning dates in the survey list, and a backup chosen on the command line,
# which the window then shows.
build/qelcleanup by-survey --ids 4,6 --stats --surveys --save \
  --set BackupType=1 --set "StatTgt=Driver=SQLite3;Database=$demo/backup.db" >/dev/null

for dpi in 96 192; do
  scale=$((dpi / 96))
  # QT_FONT_DPI tells Qt the desktop's resolution, as a desktop setting would.
  xvfb-run --auto-servernum --server-args="-screen 0 $((1024 * scale))x$((768 * scale))x24 -dpi $dpi" \
    env -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_AUTO_SCREEN_SCALE_FACTOR \
    QT_QPA_PLATFORM=xcb QT_FONT_DPI=$dpi \
    build/tools/screenshots/qelcleanup-screenshots "$out" "${dpi}dpi"
done
