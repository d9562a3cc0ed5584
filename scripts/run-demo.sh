#!/usr/bin/env bash
# Installs what is missing, builds the tool, creates the demo ERP database and
# runs the main job on it.
# Usage: scripts/run-demo.sh [DATABASE_PATH]
set -euo pipefail
cd "$(dirname "$0")/.."

database=${1:-demo/erp-demo.db}

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DOVARDX_BUILD_TESTS=OFF -DOVARDX_BUILD_BENCHMARKS=OFF
cmake --build build -j 2 --target ovardx_tool
mkdir -p "$(dirname "$database")"
build/bin/ovardx demo-db "$database" --force
build/bin/ovardx sql --db "$database" \
  "SELECT TOP 5 c.FNumber, c.FModifyTime, i.FName FCustomerName FROM t_rp_contact c join t_item i on c.FCustomer=i.FItemID WHERE c.FRP=1 ORDER BY c.FModifyTime"
