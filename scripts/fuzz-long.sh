#!/usr/bin/env bash
# Runs every fuzz target for longer than the test suite does: SECONDS_EACH
# seconds each (default 1800), one after the other, keeping the corpora the
# short runs grew in build-fuzz. Findings are written to build-fuzz/findings/.
# Usage: scripts/fuzz-long.sh [SECONDS_EACH] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-1800}"
shift || true
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANDREL_FUZZ=ON -DVANDREL_BENCH=OFF >/dev/null
ninja -C build-fuzz -j2 fuzz_targets
dir=build-fuzz/tests/fuzz
"$dir/fuzz_seeds" "$dir/seeds"
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=()
  for t in expr4_fuzz table4_fuzz memo4_fuzz sort4_fuzz; do [ -x "$dir/$t" ] && targets+=("$t"); done
fi
mkdir -p build-fuzz/findings
status=0
for t in "${targets[@]}"; do
  corpus="$dir/${t}_corpus"
  mkdir -p "$corpus"
  seeds=()
  [ -d "$dir/seeds/$t" ] && seeds+=("$dir/seeds/$t")
  [ -d "tests/fuzz/corpus/$t" ] && seeds+=("tests/fuzz/corpus/$t")
  [ "$t" = table4_fuzz ] && seeds+=("$dir/fixture_seeds")
  dict="tests/fuzz/${t%_fuzz}.dict"
  args=(-max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=64 -timeout=10
        -artifact_prefix="build-fuzz/findings/$t-" -print_final_stats=1)
  [ -f "$dict" ] && args+=(-dict="$dict")
  echo "== $t for $seconds s"
  if ! "$dir/$t" "${args[@]}" "$corpus" "${seeds[@]}" 2>"build-fuzz/findings/$t.log"; then
    echo "   FAILED: see build-fuzz/findings/$t.log"
    status=1
  fi
  grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "build-fuzz/findings/$t.log" || true
done
exit $status
