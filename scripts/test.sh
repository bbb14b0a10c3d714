#!/usr/bin/env bash
# Every test: install what is missing, build normally and with the
# sanitizers, and run the whole suite in both builds; run the engine's
# interop tests under valgrind too (the sanitizer build leaves them out);
# then build the fuzz targets with clang (sanitizers on) and run each for
# VANDREL_FUZZ_SECONDS (60 by default) from its seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
(cd build && ctest --output-on-failure -j2)
bash scripts/build.sh build-sanitize -DVANDREL_SANITIZE=ON -DVANDREL_BENCH=OFF
(cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j2 -LE interop)
if [ -x build/tests/test_interop ]; then
  (cd build/tests && valgrind -q --error-exitcode=9 --leak-check=full ./test_interop)
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANDREL_FUZZ=ON -DVANDREL_BENCH=OFF >/dev/null
ninja -C build-fuzz fuzz_targets
(cd build-fuzz && ctest --output-on-failure -j2 -L fuzz)
