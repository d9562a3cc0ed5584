#!/usr/bin/env bash
# Installs a build into a staging folder (DESTDIR), so the library runs from
# another prefix than the one it was configured for, and uses it from there:
# the installed headers stand alone; the installed tool makes a demo
# database and exports from it; examples/consumer is configured and built
# once with find_package and once with pkg-config, and each of its programs
# (C++ classes, C interface) pages through the plan entries; the installed
# Python module does the same. All must count the same entries.
# Usage: tests/consumer/run-against-staged-install.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."

build=$(realpath "${1:-build}")
work="$build/staged-install"
rm -rf "$work"
mkdir -p "$work"

DESTDIR="$work/stage" cmake --install "$build" > "$work/install.log"
configured_prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
prefix="$work/stage$configured_prefix"
libdir=$(dirname "$(find "$prefix" -name 'libovardx.so.*.*.*' -print -quit)")
echo "staged: $prefix (library in ${libdir#"$prefix/"})"

fail() { echo "FAILED: $*" >&2; exit 1; }

# The installed headers bring nothing of SQLite, libxml2 or ODBC with them.
for header in "$prefix"/include/ovardx/*.h; do
  deps=$(c++ -std=c++20 -M -I"$prefix/include" -x c++ "$header")
  if grep -Eq 'sqlite3|libxml|/sql\.h|sqlext|odbc' <<<"$deps"; then fail "$header includes a backend header"; fi
done
cc -std=c11 -Wall -Wextra -Wpedantic -Werror -fsyntax-only -I"$prefix/include" -x c "$prefix/include/ovardx/ovardx.h"
[ -L "$libdir/libovardx.so" ] && [ -L "$libdir/libovardx.so.0" ] || fail "soname links missing"
[ -d "$libdir/ovardx-data" ] || fail "no data folder beside the library"

# The installed tool, found on PATH, finds its data folder from wherever it lies.
(
  cd "$work"
  export PATH="$prefix/bin:$PATH"
  ovardx --version
  ovardx demo-db demo.db > /dev/null
  ovardx export plan --db demo.db --user 17 --language eng --per-count 5 > first-page.xml 2> first-page.err
  grep -q '<ArApPlan' first-page.xml || fail "the installed tool exported no page: $(cat first-page.err)"
)

results=()
consumer() {  # NAME CMAKE-ARGUMENTS...
  local name=$1
  shift
  cmake -S examples/consumer -B "$work/$name" -G Ninja "$@" > "$work/$name.log"
  cmake --build "$work/$name" >> "$work/$name.log"
  for program in plan_pages plan_pages_c; do
    local counted
    counted=$("$work/$name/$program" "$work/demo.db") || fail "$name/$program"
    echo "$name/$program: $counted"
    results+=("$counted")
  done
}
consumer find-package -DCMAKE_PREFIX_PATH="$prefix"
PKG_CONFIG_PATH="$libdir/pkgconfig" consumer pkg-config -DWITH_PKG_CONFIG=ON

# The installed module finds the installed library by itself.
counted=$(env -u OVARDX_LIBRARY PYTHONPATH="$prefix/lib/python3/dist-packages" python3 - "$work/demo.db" <<'PYTHON'
import sys

import ovardx

props = ("ConnectString={Provider=SQLite;Data Source=%s};UserID=17;Setuptype=standard;Language=eng"
         % sys.argv[1])
with ovardx.clsArapPlan() as plan:
    pages = list(plan.pages(props, per_count=50))
print("%d plan entries in %d pages" % (sum(page.xml.count("<Record>") for page in pages), len(pages)))
PYTHON
) || fail "python"
echo "python: $counted"
results+=("$counted")

[ "$(printf '%s\n' "${results[@]}" | sort -u | wc -l)" -eq 1 ] || fail "the programs counted differently"
echo "staged install: every consumer agrees"
