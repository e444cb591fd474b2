#!/usr/bin/env bash
# Configures and builds the project into build/, or into the folder that
# QEL_BUILD_DIR names (CI's builds without the window and with the
# sanitizers keep folders of their own).
# QEL_CMAKE_ARGS adds options to the configuration (CI turns warnings into
# errors with -DQEL_WARNINGS_AS_ERRORS=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
args="${QEL_CMAKE_ARGS:-}"
dir="${QEL_BUILD_DIR:-build}"
stamp="$dir/.qel-cmake-args"
if [ ! -f "$dir/CMakeCache.txt" ] || [ "$(cat "$stamp" 2>/dev/null)" != "$args" ]; then
  # shellcheck disable=SC2086
  cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo $args >/dev/null
  printf '%s' "$args" > "$stamp"
fi
cmake --build "$dir" --parallel "$(nproc 2>/dev/null || echo 2)"
