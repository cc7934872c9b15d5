#!/bin/sh
# Screenshots of every page and dialog of the desktop program, for R70 and R30,
# in English and German, into build/screenshots/. Runs the program against the
# simulator (build/bin/r70sim) under a virtual X server (xvfb-run; installed with
# apt-get when missing and we are root), or offscreen when none can be had.
# The simulator's port is /tmp/COM3, as in the README: the settings dialog shows
# that path, the same on every run and every machine.
# Usage: tools/screenshots.sh [BUILD_DIR]
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
out=$build/screenshots
prog=$build/bin/quorvex
sim=$build/bin/r70sim
for f in "$prog" "$sim"; do
    [ -x "$f" ] || { echo "screenshots: $f is missing; build first" >&2; exit 1; }
done

if ! command -v xvfb-run >/dev/null 2>&1 && [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    apt-get install -y xvfb >/dev/null 2>&1 || true
fi
if command -v xvfb-run >/dev/null 2>&1; then
    run() { xvfb-run -a -s "-screen 0 1024x768x24" "$@"; }
else
    echo "screenshots: no xvfb-run, using the offscreen platform" >&2
    run() { QT_QPA_PLATFORM=offscreen "$@"; }
fi

port=/tmp/COM3
if [ -e "$port" ] || [ -L "$port" ]; then
    echo "screenshots: $port is in use (another simulator?); remove it first" >&2
    exit 1
fi
work=$(mktemp -d)
simpid=
cleanup() {
    [ -n "$simpid" ] && kill "$simpid" 2>/dev/null || true
    rm -f "$port"
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
mkdir -p "$out"

for model in R70 R30; do
    "$sim" --model "$model" --link "$port" >"$work/sim.out" 2>&1 &
    simpid=$!
    i=0
    while [ ! -e "$port" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    for lang in 0 1; do
        home=$work/home-$model-$lang
        mkdir -p "$home"
        printf '[SET_DIV]\nLANGUAGE=%s\n' "$lang" >"$home/default.pro"
        printf '[QuorvexCom]\nFirstRun=1\n' >"$home/win.ini"
        QUORVEX_HOME=$home QUORVEX_SPLASH_MS=0 \
            R70COM_PORTS="COM1=;COM2=;COM3=$port;COM4=;COM5=;COM6=;COM7=;COM8=" \
            run "$prog" --screenshots "$out"
    done
    kill "$simpid" 2>/dev/null || true
    wait "$simpid" 2>/dev/null || true
    simpid=
    rm -f "$port"
done
echo "screenshots in $out:"
ls "$out"
