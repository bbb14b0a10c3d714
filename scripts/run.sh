#!/usr/bin/env bash
# The main job: install what is missing, build, and show the bundled sample.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build >/dev/null
BRINDLE=build/tools/brindle/brindle
if [ -x "$BRINDLE" ] && [ -f samples/people.dbf ]; then
  "$BRINDLE" info samples/people.dbf
  "$BRINDLE" dump samples/people.dbf --limit 15
else
  echo "Built the engine; the brindle tool and the sample tables are not there yet."
fi
