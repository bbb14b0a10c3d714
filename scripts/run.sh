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
  "$BRINDLE" dump samples/people.dbf --query "AMOUNT > 9000 .AND. ACTIVE" --sort "ASCEND(UPPER(LAST))+DESCEND(AMOUNT)" --fields FIRST,LAST,AMOUNT --limit 5
else
  echo "Built the engine; the brindle tool and the sample tables are not there yet."
fi
