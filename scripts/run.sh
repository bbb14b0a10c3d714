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
# The app on the sample: a window when there is a display, else one
# screenshot of the first page, made headless.
VANDREL=build/app/vandrel
if [ -x "$VANDREL" ]; then
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Opening samples/people.dbf in a window (Menu > Exit or Ctrl+Q to quit)."
    "$VANDREL" samples/people.dbf
  else
    out=build/screenshots
    mkdir -p "$out"
    printf 'shot first-page\n' > "$out/first-page.script"
    "$VANDREL" samples/people.dbf --scale 2 --headless --script "$out/first-page.script" --out "$out"
    echo "No display here: wrote the first page of samples/people.dbf to $out/first-page.png"
  fi
fi
