#!/usr/bin/env bash
# Starts the configurator under Xvfb and writes screenshots to build/screenshots/.
# Exits 0 when the driver wrote every image at both scales.
set -euo pipefail
build=${1:-build/release}
out=build/screenshots
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
shopt -s nullglob
if [ ! -x "$build/tests/gui_screenshots" ]; then
    echo "screenshot driver not built" >&2
    exit 1
fi
# A sanitized driver (a test build) checks for leaks at exit; those of the
# system libraries under the windows are not ours.
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-system.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
status=0
# Every window at 100 % and at 200 % (a high-density screen).
for scale in 1 2; do
    mkdir -p "$out/scale$scale"
    rm -f "$out/scale$scale"/*.png
    if ! QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 2560x1800x24" \
        "$build/tests/gui_screenshots" "$out/scale$scale"; then
        echo "screenshots at scale $scale: the driver failed" >&2
        status=1
    fi
done
ls "$out"/scale*
exit $status
