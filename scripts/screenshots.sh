#!/usr/bin/env bash
# Starts the configurator under Xvfb and writes screenshots to build/screenshots/.
set -euo pipefail
build=${1:-build/release}
out=build/screenshots
mkdir -p "$out"
shopt -s nullglob
if [ -x "$build/tests/gui_screenshots" ]; then
    # Every window at 100 % and at 200 % (a high-density screen).
    for scale in 1 2; do
        mkdir -p "$out/scale$scale"
        QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 2560x1800x24" \
            "$build/tests/gui_screenshots" "$out/scale$scale"
    done
else
    echo "screenshot driver not built"
fi
ls "$out"/scale*
