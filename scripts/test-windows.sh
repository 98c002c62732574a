#!/usr/bin/env bash
# Runs the Windows build under Wine: the core unit tests, a cli smoke run,
# the Win32 serial port against an echoing pseudo-terminal, and, once the cli
# has the device commands, "read-db" and "write-db" through a Wine COM port
# against the panel simulator, compared with the same run on Linux.
#
# The Wine prefix lives inside the build folder (never in the home folder).
# COM ports: the prefix maps COM5 and COM7 to symlinks in <build>/ports; each
# run points them at fresh pseudo-terminals. Wine's mount manager turns the
# mapping into real COM devices, so the port search lists them too.
#
# Parity other than none cannot be set on a pseudo-terminal: that case is
# left to real hardware.
set -euo pipefail

build=$(cd "${1:-build/windows}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
host=$root/build/windows-host
work=$build/run
ports=$build/ports
cli=$build/cli/tavrin-cli.exe

export WINEPREFIX=$build/wineprefix
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

step() { echo "== $*"; }
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# A Windows program with a time limit (the first Wine start is slow).
wrun() {
    local limit=$1
    shift
    timeout "$limit" wine "$@"
}

# ---- Prefix ------------------------------------------------------------------
mkdir -p "$ports" "$work"
for n in 5 7; do ln -sfn /dev/null "$ports/com$n"; done
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    step "creating the Wine prefix in $WINEPREFIX"
    timeout 600 wineboot -i >/dev/null 2>&1 || fail "wineboot could not create the prefix"
    for n in 5 7; do
        wine reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /d "$ports/com$n" /f >/dev/null 2>&1
    done
    wineserver -k 2>/dev/null || true
    wineserver -w
fi
# One server for the whole run, so every program starts quickly.
wineserver -p >/dev/null 2>&1

# ---- Core unit tests ---------------------------------------------------------
step "core unit tests"
(cd "$work" && wrun 900 "$build/tests/tavrin_core_tests.exe" --gtest_brief=1) ||
    fail "core unit tests"

# ---- cli smoke run -------------------------------------------------------------
step "cli smoke run"
cd "$work"
version=$(wrun 120 "$cli" --version | tr -d '\r')
[[ $version == "tavrin-cli "* ]] || fail "--version printed '$version'"
help=$(wrun 120 "$cli" --help | tr -d '\r')
grep -q "конфигуратор приборов" <<<"$help" || fail "--help lost its Russian text"
# A file name outside ASCII travels through wmain and the wide file API and
# comes back intact in the message.
if wrun 120 "$cli" info "Пульт №1.bta" >/dev/null 2>info.err; then fail "info of a missing file succeeded"; fi
grep -q "Пульт №1.bta" info.err || fail "info did not name the missing file: $(cat info.err)"
echo "ok"

# ---- Win32 serial port ---------------------------------------------------------
# Points COMn at a new pseudo-terminal of the given program (its first line
# of stdout is the terminal's path). Sets $pty.
attach() {
    local n=$1
    shift
    local out=$work/attach-com$n.out fifo=$work/attach-com$n.in holder
    : >"$out"
    rm -f "$fifo"
    mkfifo "$fifo"
    "$@" <"$fifo" >"$out" 2>"$work/attach-com$n.err" &
    pids+=($!)
    # Hold the program's stdin open until this script ends (the simulator
    # ends when its stdin closes).
    exec {holder}>"$fifo"
    for _ in $(seq 100); do
        [ -s "$out" ] && break
        sleep 0.1
    done
    pty=$(head -n 1 "$out")
    [[ $pty == /dev/* ]] || fail "no pseudo-terminal from $*"
    ln -sfn "$pty" "$ports/com$n"
}

step "Win32 serial port on COM5 (echoing pseudo-terminal)"
attach 5 python3 "$root/scripts/pty_echo.py"
wrun 120 "$build/tests/win_port_probe.exe" COM5 115200 || fail "serial port probe"
echo "note: parity other than none cannot be set on a pseudo-terminal; check it on real hardware"

# ---- read-db / write-db against the simulator ----------------------------------
if ! grep -q "read-db" <<<"$help"; then
    echo "skip: read-db/write-db through a Wine COM port (tavrin-cli has no read-db yet)"
    exit 0
fi

step "building the simulator and the Linux cli in $host"
cmake -S "$root" -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRIN_BUILD_GUI=OFF \
    -DTAVRIN_BUILD_TESTS=OFF >/dev/null
cmake --build "$host" -j "$(nproc)" --target tavrin-panelsim tavrin-cli >/dev/null
sim=$host/tools/panelsim/tavrin-panelsim
linux_cli=$host/cli/tavrin-cli

step "read-db through COM7 under Wine and on Linux"
rm -f "$work"/*.bta "$work"/Tavrin_*.log
attach 7 "$sim" --family k2
wrun 300 "$cli" read-db --port COM7 -o win.bta --log || fail "read-db under Wine"
"$linux_cli" read-db --port "$pty" -o linux.bta || fail "read-db on Linux"
cmp win.bta linux.bta || fail "the database read under Wine differs from the Linux one"
log=Tavrin_$(date +%m_%d_%y).log
[ -s "$log" ] || fail "no exchange log $log in the program folder"

step "write-db through COM7 under Wine, read back on Linux"
wrun 300 "$cli" write-db win.bta --port COM7 --yes || fail "write-db under Wine"
"$linux_cli" read-db --port "$pty" -o back.bta || fail "read-db after write-db"
cmp win.bta back.bta || fail "the panel does not hold what was written"

step "the database read under Wine, through the file commands under a non-ASCII name"
cp win.bta "Объект №2.bta"
wrun 120 "$cli" info "Объект №2.bta" >/dev/null || fail "info of the database read"
wrun 120 "$cli" convert "Объект №2.bta" "копия.bta" || fail "convert of the database read"
cmp win.bta "копия.bta" || fail "convert changed a database of the current version"
echo "ok"
