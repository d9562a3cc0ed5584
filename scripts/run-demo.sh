#!/usr/bin/env bash
# Installs what is missing, builds the tool, creates the demo ERP database and
# exports the first page of receivable plan entries from it.
# Usage: scripts/run-demo.sh [DATABASE_PATH]
set -euo pipefail
cd "$(dirname "$0")/.."

database=${1:-demo/erp-demo.db}

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DOVARDX_BUILD_TESTS=OFF -DOVARDX_BUILD_BENCHMARKS=OFF
cmake --build build -j 2 --target ovardx_tool
mkdir -p "$(dirname "$database")"
build/bin/ovardx demo-db "$database" --force
# The main job: the first page of receivable plan entries, as the demo
# administrator (user 16) would ask for it through the web service.
build/bin/ovardx export plan --db "$database" --user 16 --per-count 20
