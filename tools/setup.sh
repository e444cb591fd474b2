#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Runs apt only as root or through sudo; otherwise says what is missing.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev unixodbc unixodbc-dev odbcinst
          libsqliteodbc tdsodbc sqlite3 bc libgtest-dev libbenchmark-dev xvfb xauth)

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
if ! odbcinst -q -d 2>/dev/null | grep -q '^\[SQLite3\]'; then
  printf '[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=libsqlite3odbc.so\nSetup=libsqlite3odbc.so\n' > /tmp/qel-sqlite3.ini
  if [ "$(id -u)" -eq 0 ]; then odbcinst -i -d -f /tmp/qel-sqlite3.ini >/dev/null; else sudo odbcinst -i -d -f /tmp/qel-sqlite3.ini >/dev/null; fi
fi
if ! odbcinst -q -d 2>/dev/null | grep -q '^\[FreeTDS\]'; then
  printf '[FreeTDS]\nDescription=TDS driver (Sybase/MS SQL)\nDriver=libtdsodbc.so\nSetup=libtdsS.so\n' > /tmp/qel-freetds.ini
  if [ "$(id -u)" -eq 0 ]; then odbcinst -i -d -f /tmp/qel-freetds.ini >/dev/null; else sudo odbcinst -i -d -f /tmp/qel-freetds.ini >/dev/null; fi
fi
