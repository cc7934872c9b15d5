#!/usr/bin/env bash
# The Windows forms under Wine: cross-builds R70COM32.dll, quorvex-cli.exe and
# the Windows test programs for 64 and 32 bits with MinGW-w64
# (cmake/toolchains/), checks both DLLs' export tables against
# driver/exports.list, then runs the programs against the simulator on a Wine
# COM port.
#   scripts/windows.sh [NATIVE_BUILD]    NATIVE_BUILD holds bin/r70sim (default: build)
# Ends with "windows: N passed, N failed"; the exit status is 0 when nothing
# failed. Without MinGW-w64 or Wine (scripts/setup.sh packages installs them)
# it says so and skips. The 32-bit programs run only where this machine starts
# 32-bit programs at all and wine32 is installed; elsewhere they are still
# built and statically checked (the record's layout is asserted when the
# 32-bit DLL compiles), and only their Wine runs are skipped.
set -uo pipefail
cd "$(dirname "$0")/.."
native=${1:-build}
sim="$native/bin/r70sim"

# Debian's /usr/bin/wine starts the 32-bit loader whenever wine32 is
# installed, even for a 64-bit program, and fails where the kernel runs no
# 32-bit programs: the 64-bit loader and server are started directly.
WINE64=${WINE64:-/usr/lib/wine/wine64}
WINE32=${WINE32:-/usr/lib/wine/wine}
export WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
export WINELOADER=$WINE64

for tool in x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix \
    x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump "$WINE64" "$WINESERVER"; do
    if ! command -v "$tool" >/dev/null; then
        echo "windows: skipped: $tool is not installed (scripts/setup.sh packages installs it)"
        exit 0
    fi
done
if [ ! -x "$sim" ]; then
    echo "windows: $sim is missing: build the native tree first" >&2
    exit 1
fi

passed=0
failed=0
check() { # what, command...
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $what"
    fi
}

# The Windows name of a file here: Wine's drive Z: is the root.
winpath() {
    local p
    p=$(realpath -m "$1")
    echo "Z:${p//\//\\}"
}

# -O2 without debug information: the quickest build that still warns as the
# native one does (GCC 12 gives false -Wrestrict warnings at -O3).
cross_build() { # 64 | 32
    local arch=x86_64
    [ "$1" = 32 ] && arch=i686
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache
                                              -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S . -B "build-win$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/mingw-w64-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DQUORVEX_WERROR=ON -DQUORVEX_GUI=OFF "${launcher[@]}" \
        >/dev/null &&
        cmake --build "build-win$1" -j"$(nproc)" \
            --target R70COM32 quorvex-cli win_driver_test win_profile_test
}

# The export table of a DLL as "ordinal name" lines, sorted.
dll_exports() { # objdump dll
    # objdump -p prints, per named export, "[ordinal-base] name" under the
    # Ordinal/Name table; the Ordinal Base line gives the base.
    "$1" -p "$2" | awk '
        /Ordinal Base/ { base = $NF }
        /^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
        table && /^\t\[ *[0-9]+\] [A-Za-z_]/ {
            line = $0; sub(/^\t\[ */, "", line); split(line, f, /\] /); print f[1] + base, f[2]; next }
        table { table = 0 }' | sort
}
# Both DLLs export exactly the list's names at the list's ordinals, without
# stdcall decoration ("D_SendDrvCmd", not "D_SendDrvCmd@8"), ordinal 2 first.
check_exports() { # 64 | 32
    local objdump=x86_64-w64-mingw32-objdump got want
    [ "$1" = 32 ] && objdump=i686-w64-mingw32-objdump
    got=$(dll_exports "$objdump" "build-win$1/bin/R70COM32.dll")
    want=$(awk '/^D_/ {print $2, $1}' driver/exports.list | sort)
    [ "$got" = "$want" ] && return 0
    echo "R70COM32.dll ($1 bits) exports:"
    echo "$got"
    echo "driver/exports.list says:"
    echo "$want"
    return 1
}

sizes=(64)
if ! reason=$(scripts/runs_32bit.sh); then
    echo "windows: the 32-bit Wine runs are skipped: $reason"
elif [ ! -x "$WINE32" ]; then
    echo "windows: the 32-bit Wine runs are skipped: wine32 (i386) is not installed"
else
    sizes=(64 32)
fi

echo "== windows: cross builds (64 and 32 bits)"
check "cross build, 64 bits" cross_build 64
check "cross build, 32 bits" cross_build 32
check "export table, 64 bits" check_exports 64
check "export table, 32 bits" check_exports 32

# One Wine prefix for the whole run. COM3 is a link to the simulator's
# pseudo-terminal; the other COM names are hidden, so that no real port of this
# machine is probed (Wine then opens them, but refuses their line functions).
run=$(mktemp -d /tmp/quorvex-wine.XXXXXX)
export WINEPREFIX="$run/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
    "$WINESERVER" -k >/dev/null 2>&1
    rm -rf "$run"
}
trap cleanup EXIT

echo "== windows: Wine prefix (${SECONDS} s)"
"$WINE64" wineboot -i >"$run/wineboot.log" 2>&1
{
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
    for n in 1 2 4 5 6 7 8; do printf '"COM%d"=""\n' "$n"; done
    printf '"COM3"="%s"\n' "$run/com3"
} >"$run/ports.reg"
"$WINE64" regedit /S "$(winpath "$run/ports.reg")" >/dev/null 2>&1
"$WINESERVER" -w # the port names take effect when Wine starts again
# One server for every program of the run, its own output kept out of ours.
"$WINESERVER" -p >"$run/wineserver.log" 2>&1

start_sim() { # simulator options...
    rm -f "$run/com3" "$run/sim.out"
    "$sim" --model R70 --link "$run/com3" "$@" >"$run/sim.out" 2>&1 &
    sim_pid=$!
    for _ in $(seq 100); do
        [ -s "$run/sim.out" ] && [ -L "$run/com3" ] && return 0
        sleep 0.1
    done
    echo "windows: the simulator did not start: $(cat "$run/sim.out")"
    return 1
}
stop_sim() {
    kill "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
    sim_pid=
}

# quorvex-cli: identify and back up; on 64 bits also change one MSN, restore
# the backup, and the MSN is the one the backup holds again. The 32-bit
# backup of the same simulated device must be the 64-bit one byte for byte
# (a restore sends every item through the same driver code the 32-bit driver
# test has already sent every catalogue form through).
cli_round_trip() { # bits
    local cli="build-win$1/bin/quorvex-cli.exe" pro out saved
    pro=$(winpath "$run/backup$1.pro")
    mkdir -p "$run/home$1"
    export QUORVEX_HOME
    QUORVEX_HOME=$(winpath "$run/home$1")
    out=$("$loader" "$cli" identify) || { echo "$out"; return 1; }
    grep -q 'COM3' <<<"$out" || { echo "$out"; return 1; }
    "$loader" "$cli" backup "$pro" >/dev/null || return 1
    if [ "$1" = 32 ]; then
        cmp "$run/backup32.pro" "$run/backup64.pro" || return 1
        return 0
    fi
    saved=$(sed -n 's/^AMSN00=\([^\r]*\)\r*$/\1/p' "$run/backup$1.pro")
    [ -n "$saved" ] || { echo "the backup has no MSN AMSN00"; return 1; }
    "$loader" "$cli" set MSN_DIV AMSN00 0309999 >/dev/null || return 1
    [ "$("$loader" "$cli" get MSN_DIV AMSN00 | tr -d '\r')" = 0309999 ] || return 1
    "$loader" "$cli" restore "$pro" >/dev/null || return 1
    out=$("$loader" "$cli" get MSN_DIV AMSN00 | tr -d '\r')
    [ "$out" = "$saved" ] || { echo "after restore AMSN00 is '$out', not '$saved'"; return 1; }
}

for bits in "${sizes[@]}"; do
    dir="build-win$bits"
    loader=$WINE64
    [ "$bits" = 32 ] && loader=$WINE32
    [ -f "$dir/bin/win_driver_test.exe" ] || continue
    echo "== windows: $bits bits under Wine (${SECONDS} s)"
    if start_sim --fault pause=120,300; then
        check "win_driver_test ($bits bits)" \
            "$loader" "$dir/bin/win_driver_test.exe" "$(winpath "$dir/bin/R70COM32.dll")"
        stop_sim
    else
        check "simulator" false
    fi
    check "win_profile_test ($bits bits)" \
        "$loader" "$dir/bin/win_profile_test.exe" "$(winpath tests/data/ini-vectors)"
    if start_sim; then
        check "quorvex-cli.exe ($bits bits)" cli_round_trip "$bits"
        stop_sim
    else
        check "simulator" false
    fi
done

echo "== windows: done (${SECONDS} s)"
echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
