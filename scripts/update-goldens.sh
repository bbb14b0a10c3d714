#!/usr/bin/env bash
# Remakes the golden screenshots of the app's tests (tests/app/golden/*.png)
# from the current build, for when the artwork or the look changed on
# purpose. Look at the new pictures before committing them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh build >/dev/null
VANDREL_UPDATE_GOLDENS=1 build/tests/test_app_headless --gtest_filter='*Golden*'
VANDREL_UPDATE_GOLDENS=1 build/tests/test_app_pages --gtest_filter='*Golden*'
git status --short tests/app/golden
