#!/usr/bin/env bash
# Installs what is missing, builds, starts a simulated R70 on a pseudo-terminal
# mapped to COM3, and runs the program against it: the desktop program when it
# is built and a display is set, otherwise `quorvex-cli identify`. The simulator
# is stopped on exit and nothing is left behind.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup.sh build build

workdir=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-demo.XXXXXX")
sim_pid=""
app_pid=""
cleanup() {
    if [ -n "$app_pid" ]; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$workdir"
}
trap cleanup EXIT INT TERM HUP

# The simulator prints the slave path once the device is ready.
build/bin/r70sim --model R70 --link "$workdir/COM3" --state "$workdir/r70.state" >"$workdir/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do
    [ -s "$workdir/sim.out" ] && break
    sleep 0.1
done
if [ ! -L "$workdir/COM3" ]; then
    echo "The simulated device did not start:" >&2
    cat "$workdir/sim.out" >&2
    exit 1
fi
echo "Simulated R70 on COM3 = $workdir/COM3 ($(head -n1 "$workdir/sim.out"))"

# COM1 and COM2 do not exist here, so the search goes straight to COM3.
export R70COM_PORTS="COM1=;COM2=;COM3=$workdir/COM3"
export QUORVEX_HOME="$workdir/home"

if [ -x build/bin/quorvex ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Starting the desktop program (close its window to end the demo)."
    # In the background, so that an interrupted demo still cleans up at once.
    build/bin/quorvex &
    app_pid=$!
    wait "$app_pid" || true
    app_pid=
else
    [ -x build/bin/quorvex ] && echo "No display set: showing the device with quorvex-cli instead."
    build/bin/quorvex-cli identify
fi
