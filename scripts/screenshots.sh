#!/usr/bin/env bash
# Starts the configurator under Xvfb and writes screenshots to build/screenshots/.
set -euo pipefail
build=${1:-build/release}
out=build/screenshots
mkdir -p "$out"
shopt -s nullglob
if [ -x "$build/tests/gui_screenshots" ]; then
    xvfb-run -a -s "-screen 0 1280x900x24" "$build/tests/gui_screenshots" "$out"
else
    echo "screenshot driver not built"
fi
ls "$out"
