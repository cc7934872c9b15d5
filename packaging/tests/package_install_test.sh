#!/usr/bin/env bash
# Installs the package into this machine as a user would (`apt-get install ./…deb`,
# as root, as CI runs), uses the installed programs against the installed simulator
# from a folder of their own, with a new user's home, starts the desktop program
# the way the menu does, and removes the package again, leaving nothing behind:
# also on failure or interruption (the EXIT trap), and a run killed outright is
# cleaned up by the next one.
#   package_install_test.sh DEB_DIR VERSION APP_ID SOURCE_DIR
set -uo pipefail
deb_dir=$1 version=$2 app_id=$3 source=$4

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: the install test installs the package into this machine and needs root"
    exit 77
fi
for tool in apt-get dpkg-query dpkg-deb flock ldconfig pkg-config cc desktop-file-validate appstreamcli; do
    command -v $tool >/dev/null || {
        echo "FAIL: $tool is missing (scripts/setup.sh packages installs it)" >&2
        exit 1
    }
done
debs=("$deb_dir"/quorvex_*.deb)
deb=$(realpath "${debs[0]}")
[ -f "$deb" ] || {
    echo "FAIL: no quorvex_*.deb in $deb_dir (the package_deb test makes it)" >&2
    exit 1
}

export DEBIAN_FRONTEND=noninteractive
apt=(apt-get -q -y -o DPkg::Lock::Timeout=600)

# One install test at a time on this machine (another worktree's test.sh, say);
# apt's own lock is waited for above, should a setup.sh be installing packages.
exec 9>/run/lock/quorvex-package-test.lock
flock -w 600 9 || {
    echo "FAIL: another install test holds /run/lock/quorvex-package-test.lock" >&2
    exit 1
}

# While the package is installed by this test, this file names the packages the
# test installed (quorvex and what apt pulled in with it): what to remove again.
marker=/var/tmp/quorvex-package-test.installed
installed() {
    local status
    status=$(dpkg-query -W -f='${db:Status-Status}' quorvex 2>/dev/null)
    [ -n "$status" ] && [ "$status" != not-installed ]
}
restore_machine() {
    installed && "${apt[@]}" purge quorvex >/dev/null
    local pulled
    pulled=$(grep -vx quorvex "$marker" 2>/dev/null | tr '\n' ' ')
    if [ -n "${pulled// /}" ]; then
        echo "removing what the package pulled in: $pulled"
        # shellcheck disable=SC2086 # one word per package
        "${apt[@]}" purge $pulled >/dev/null
    fi
    rm -f "$marker"
}

if installed; then
    if [ -f "$marker" ]; then
        echo "removing the package left by an interrupted run of this test"
        restore_machine
    else
        echo "FAIL: quorvex is installed on this machine, not by this test; the test would" >&2
        echo "replace and then remove it. Remove it first: apt-get purge quorvex" >&2
        exit 1
    fi
fi

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Holding the lock, any folder of an earlier run is one a killed run left.
rm -rf "${TMPDIR:-/tmp}"/quorvex-package-install.*
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-package-install.XXXXXX")
chmod 755 "$work"
sim_pid="" app_pid=""
stop() { # pid
    [ -n "$1" ] || return 0
    kill "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}
# The package's own paths (not those it shares, such as /usr/bin): all must go.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^/$' |
    while read -r path; do [ -e "$path" ] || [ -L "$path" ] || echo "$path"; done >"$work/own-paths"
cleanup() {
    stop "$app_pid"
    stop "$sim_pid"
    cd / || true
    echo "== removing the package"
    restore_machine
    while read -r path; do
        if [ -e "$path" ] || [ -L "$path" ]; then fail "left behind: $path"; fi
    done <"$work/own-paths"
    [[ $(ldconfig -p) == *libR70COM32* ]] && fail "the loader cache still lists libR70COM32"
    rm -rf "$work"
    if [ $failures -ne 0 ]; then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo "install test passed, package removed"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

echo quorvex >"$marker"
echo "== apt-get install ./$(basename "$deb")"
cp "$deb" "$work/"
(cd "$work" && LC_ALL=C "${apt[@]}" install "./$(basename "$deb")") >"$work/apt.log" 2>&1 || {
    cat "$work/apt.log" >&2
    fail "apt-get install ./$(basename "$deb")"
    exit 1
}
# apt's list of what it installed new: the package and what it pulled in.
sed -n '/^The following NEW packages will be installed:/,/^[^ ]/{/^ /p}' "$work/apt.log" |
    tr ' ' '\n' | grep . >"$marker"
echo "installed: $(tr '\n' ' ' <"$marker")"
[ "$(dpkg-query -W -f='${Version}' quorvex)" = "$version-1" ] || fail "installed version is not $version-1"

echo "== installed files"
for path in /usr/bin/quorvex /usr/bin/quorvex-cli /usr/bin/r70sim /usr/include/r70com32.h \
    "/usr/share/applications/$app_id.desktop" "/usr/share/metainfo/$app_id.metainfo.xml" \
    "/usr/share/icons/hicolor/scalable/apps/$app_id.svg" /usr/lib/udev/rules.d/70-quorvex.rules \
    /usr/share/bash-completion/completions/quorvex-cli /usr/share/man/man1/quorvex.1.gz; do
    [ -e "$path" ] || fail "not installed: $path"
done
desktop-file-validate "/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml" >"$work/as.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/as.log")"
# (Outputs are read whole: with pipefail, grep -q ending early fails the pipe.)
[[ $(ldconfig -p) == *"libR70COM32.so.0 "* ]] || fail "the ldconfig trigger did not run"
linked=$(ldd /usr/bin/quorvex | grep libR70COM32)
[[ $linked =~ libR70COM32\.so\.0\ =\>\ /(usr/)?lib/ ]] ||
    fail "quorvex does not find the installed library: $linked"

# A new user's environment, in a folder of its own: nothing from the build.
mkdir -p "$work/home" "$work/elsewhere" "$work/runtime"
chmod 700 "$work/runtime"
# PATH without /usr/local/bin: the package's programs, not a source install's.
user_env=(env -i PATH=/usr/bin:/bin HOME="$work/home" LANG=C.UTF-8
          XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen)
cd "$work/elsewhere" || exit 1

echo "== --version"
for program in quorvex quorvex-cli r70sim; do
    got=$("${user_env[@]}" "$program" --version 2>&1)
    [ "$got" = "$program $version" ] || fail "installed $program --version says '$got'"
done

echo "== r70sim and quorvex-cli identify"
"${user_env[@]}" r70sim --model R70 --link "$work/COM3" --state "$work/r70.state" >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
[ -L "$work/COM3" ] || {
    fail "the installed r70sim did not start: $(cat "$work/sim.out")"
    exit 1
}
ports="COM1=;COM2=;COM3=$work/COM3;COM4=;COM5=;COM6=;COM7=;COM8="
if "${user_env[@]}" R70COM_PORTS="$ports" quorvex-cli identify >"$work/identify.out" 2>&1; then
    cat "$work/identify.out"
    grep -q '^Model: *70$' "$work/identify.out" || fail "quorvex-cli identify did not see the R70"
else
    fail "quorvex-cli identify: $(cat "$work/identify.out")"
fi

echo "== a program built against the installed library (pkg-config r70com32)"
# shellcheck disable=SC2046 # the flags are words
if cc -std=c11 -Wall -Wextra -Werror -o "$work/driver_client" \
    "$source/packaging/tests/driver_client.c" $(pkg-config --cflags --libs r70com32); then
    got=$("${user_env[@]}" R70COM_PORTS="$ports" "$work/driver_client")
    echo "$got"
    [[ $got == "COM3 model 70 "* ]] || fail "the driver client printed '$got'"
else
    fail "a C program does not build with pkg-config r70com32"
fi

# The desktop program as the menu starts it: the desktop entry's Exec line.
exec_line=$(sed -n 's/^Exec=//p' "/usr/share/applications/$app_id.desktop")
start_app() { # trace file
    # shellcheck disable=SC2086 # Exec is a command line
    "${user_env[@]}" R70COM_PORTS="$ports" R70COM_TRACE="$1" QUORVEX_SPLASH_MS=0 \
        $exec_line >"$work/app.out" 2>&1 &
    app_pid=$!
}
wait_for() { # seconds condition...: true once the condition holds, false at the deadline
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        kill -0 "$app_pid" 2>/dev/null || return 1
        sleep 0.2
    done
}
config=$work/home/.config/quorvex
# win.ini has Windows line ends, as the platform's profile functions write them.
first_run_marked() { grep -q $'^FirstRun=1\r\\?$' "$config/win.ini" 2>/dev/null; }
heartbeats() {
    local count
    count=$(grep -c -- "--> 'AT<CR>'" "$work/trace2" 2>/dev/null)
    [ "${count:-0}" -ge 3 ]
}

echo "== first start from the menu entry ($exec_line), offscreen"
start_app "$work/trace1"
# A first start finds the device and opens the settings dialog, having marked the
# first run in the user's configuration folder (the program's directory of old).
wait_for 20 first_run_marked || fail "no FirstRun=1 in $config/win.ini: $(cat "$work/app.out")"
grep -q -- "--> 'ATI4<CR>'" "$work/trace1" || fail "the first start did not identify the device"
kill -0 "$app_pid" 2>/dev/null || fail "quorvex ended by itself: $(cat "$work/app.out")"
stop "$app_pid"
app_pid=""

echo "== second start: the main window's heartbeat"
start_app "$work/trace2"
wait_for 20 heartbeats || fail "no heartbeat from the main window: $(tail -n 5 "$work/trace2" 2>/dev/null) $(cat "$work/app.out")"
kill -0 "$app_pid" 2>/dev/null || fail "quorvex ended by itself: $(cat "$work/app.out")"
stop "$app_pid"
app_pid=""
ls "$config"
