#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 60) on a
# copy of its seed corpus in fuzz/corpus. Findings are written to
# build-fuzz/findings/; the script fails when a target finds one.
# Usage: scripts/run-fuzzers.sh [SECONDS] [TARGET...]   (TARGET: e.g. tsql_translator)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(property_string tsql_translator plan_filter statement_cache plain_validator
                                       xml_arapplan xml_receivebill xml_arcontract xml_delete)

scripts/install-deps.sh --fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOVARDX_FUZZ=ON -DOVARDX_SANITIZE=address,undefined \
  -DOVARDX_BUILD_TESTS=OFF -DOVARDX_BUILD_BENCHMARKS=OFF -DOVARDX_BUILD_TOOLS=OFF
cmake --build build-fuzz -j 2 --target "${targets[@]/#/ovardx_fuzz_}"

mkdir -p build-fuzz/findings build-fuzz/corpus
status=0
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  rm -rf "$corpus" && cp -r "fuzz/corpus/$target" "$corpus"
  echo "== $target, $seconds s"
  if ! build-fuzz/bin/ovardx_fuzz_$target -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="build-fuzz/findings/$target-" "$corpus" 2> "build-fuzz/$target.log"; then
    status=1
    tail -n 40 "build-fuzz/$target.log"
  fi
  grep -E '^stat::number_of_executed_units' "build-fuzz/$target.log" || true
done
exit $status
