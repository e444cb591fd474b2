#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
#   tools/setup.sh          what building, running and testing need
#   tools/setup.sh bench    also what the benchmark compares against
#   tools/setup.sh screenshots  also the virtual display the screenshots use
# Runs apt only as root or through sudo; otherwise says what is missing.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev unixodbc unixodbc-dev odbcinst libsqliteodbc tdsodbc libgtest-dev)
case "${1:-}" in
  bench) packages+=(sqlite3 bc python3) ;;
  screenshots) packages+=(xvfb xauth) ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then apt=(apt-get); elif command -v sudo >/dev/null; then apt=(sudo apt-get); else
    echo "Missing packages: ${missing[*]} (install them as root)" >&2; exit 1; fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${apt[@]}" update -qq
  "${apt[@]}" install -y -qq "${missing[@]}" >/dev/null
fi

# The SQLite and FreeTDS drivers register themselves with unixODBC when
# installed; a machine where that did not happen gets the entries here.
register() {
  local name=$1 ini=$2
  if ! odbcinst -q -d 2>/dev/null | grep -q "^\[$name\]"; then
    local file
    file=$(mktemp)
    printf '%b' "$ini" > "$file"
    if [ "$(id -u)" -eq 0 ]; then odbcinst -i -d -f "$file" >/dev/null; else sudo odbcinst -i -d -f "$file" >/dev/null; fi
    rm -f "$file"
  fi
}
register SQLite3 '[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=libsqlite3odbc.so\nSetup=libsqlite3odbc.so\n'
register FreeTDS '[FreeTDS]\nDescription=TDS driver (Sybase/MS SQL)\nDriver=libtdsodbc.so\nSetup=libtdsS.so\n'
