#!/usr/bin/env bash
# Every test: install what is missing, build normally and with the
# sanitizers, and run the whole suite in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
(cd build && ctest --output-on-failure -j2)
bash scripts/build.sh build-sanitize -DVANDREL_SANITIZE=ON -DVANDREL_BENCH=OFF
(cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j2 -LE interop)
