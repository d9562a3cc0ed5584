#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tool need, when missing.
# Usage: scripts/install-deps.sh [--fuzz]   (--fuzz adds clang and libFuzzer)
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libsqlite3-dev libxml2-dev libxml2-utils libinih-dev libgettextpo-dev
  libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev
  libcpp-httplib-dev libssl-dev nlohmann-json3-dev
  python3
  unixodbc unixodbc-dev odbcinst libsqliteodbc
)
[ "${1:-}" = "--fuzz" ] && packages+=(clang libclang-rt-dev)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
