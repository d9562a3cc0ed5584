#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# Usage: scripts/run-tests.sh [BUILD_DIR] [extra CMake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}
shift || true

scripts/install-deps.sh
cmake -S . -B "$build_dir" -G Ninja -DOVARDX_BUILD_TESTS=ON "$@"
cmake --build "$build_dir" -j 2
ctest --test-dir "$build_dir" -j 2 --output-on-failure
