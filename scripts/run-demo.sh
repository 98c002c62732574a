#!/usr/bin/env bash
# Starts the configurator in the demo folder. When the panel simulator works,
# a simulated "Талвир К2" panel is started on a pseudo-terminal first and the
# demo settings point the family's port at it; the simulator is stopped when
# the configurator exits. Without a working simulator the configurator starts
# alone.
set -uo pipefail
build=${1:-build/release}
shift || true
root=$(pwd)
demo="$root/demo"
mkdir -p "$demo"
sim="$root/$build/tools/panelsim/tavrin-panelsim"
gui="$root/$build/gui/tavrin"
sim_pid=""
pty=""

cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    [ -n "${fifo:-}" ] && rm -f "$fifo"
}
trap cleanup EXIT

if [ -x "$sim" ]; then
    fifo=$(mktemp -u /tmp/tavrin-panelsim.XXXXXX)
    mkfifo "$fifo"
    # The simulator runs until its stdin closes: give it a pipe that stays
    # open until it is stopped.
    stdin_fifo=$(mktemp -u /tmp/tavrin-panelsim-in.XXXXXX)
    mkfifo "$stdin_fifo"
    exec 4<>"$stdin_fifo"
    rm -f "$stdin_fifo"
    # A panel that holds something to look at: a few dozen devices in named
    # loops, keys, a journal, active events and the detectors' dustiness.
    "$sim" --family k2 --demo --journal 150 --events 12 <&4 >"$fifo" 2>"$demo/panelsim.log" &
    sim_pid=$!
    # The simulator prints the path of its pseudo-terminal as its first line.
    exec 3<"$fifo"
    if read -r -t 5 pty <&3 && [[ "$pty" == /* ]]; then
        # Keep draining its output so that it never blocks on a full pipe.
        cat <&3 >>"$demo/panelsim.log" &
        echo "panel simulator (Талвир К2) on $pty"
    else
        echo "panel simulator did not start; running without it"
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sim_pid=""
        pty=""
    fi
    exec 3<&-
fi

if [ -n "$pty" ]; then
    # Point "COM" of section "Талвир_К2" at the pseudo-terminal; the settings
    # file of the demo folder is Windows-1251, as the program writes it.
    ini="$demo/Tavrin.ini"
    current=""
    [ -f "$ini" ] && current=$(iconv -f CP1251 -t UTF-8 "$ini" | tr -d '\r')
    printf '%s\n' "$current" | awk -v pty="$pty" '
        BEGIN { sec = "[Талвир_К2]"; done = 0; inside = 0 }
        /^\[/ { if (inside && !done) { print "COM=" pty; done = 1 } inside = ($0 == sec) }
        inside && /^COM *=/ { if (!done) { print "COM=" pty; done = 1 } next }
        NF || !/^$/ { print }
        END { if (!done) { if (!inside) print sec; print "COM=" pty } }' |
        sed 's/$/\r/' | iconv -f UTF-8 -t CP1251 >"$ini.tmp" && mv "$ini.tmp" "$ini"
fi

cd "$demo"
"$gui" "$@"
