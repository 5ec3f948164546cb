#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Velmora needs. Run as root.
# Does nothing when every package is already installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ccache git
  unixodbc-dev odbcinst libsqliteodbc sqlite3 libsqlite3-dev
  libcurl4-openssl-dev libxml2-dev radicale xandikos
  odbc-postgresql postgresql
  odbc-mariadb mariadb-server
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core
  libfreexl-dev libshp-dev libcsv-dev
  xdg-utils xdg-user-dirs
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
