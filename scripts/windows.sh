#!/usr/bin/env bash
# The Windows forms under Wine: cross-builds R70COM32.dll, quorvex-cli.exe and
# the Windows test programs for 64 and 32 bits with MinGW-w64
# (cmake/toolchains/), checks both DLLs' export tables against
# driver/exports.list and both programs' manifests, then runs the programs
# against the simulator on a Wine COM port, as a standard Windows user meets
# them: the account is named "Jürgen" (its application data and temporary
# folders have a non-ASCII name), quorvex-cli.exe is installed under Program
# Files (a folder this script makes read-only unless it runs as root), there
# is no QUORVEX_HOME, and an older version left default.pro beside the
# program and its key in the Windows directory's win.ini.
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
            --target R70COM32 quorvex-cli win_driver_test win_line_test win_profile_test reply_timing
}

# The program's manifest: resource 1 of type 24, which asks for no elevation,
# takes long paths and UTF-8 as the process's code page.
check_manifest() { # 64 | 32
    local exe="build-win$1/bin/quorvex-cli.exe" objdump=x86_64-w64-mingw32-objdump want
    [ "$1" = 32 ] && objdump=i686-w64-mingw32-objdump
    "$objdump" -p "$exe" | grep -q 'Entry: ID: 0x000018' ||
        { echo "quorvex-cli.exe ($1 bits) has no manifest resource"; return 1; }
    for want in 'level="asInvoker"' '<longPathAware' '>true</longPathAware>' \
        '>UTF-8</activeCodePage>'; do
        grep -qaF "$want" "$exe" || { echo "quorvex-cli.exe ($1 bits): no $want"; return 1; }
    done
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
check "manifest, 64 bits" check_manifest 64
check "manifest, 32 bits" check_manifest 32

# One Wine prefix for the whole run. COM3 (and, for the chosen port, COM12)
# is a link to the simulator's pseudo-terminal; the other COM names are
# hidden, so that no real port of this machine is probed (Wine then opens
# them, but refuses their line functions). Wine names the account after USER
# and reads names from the command line in the locale's encoding.
run=$(mktemp -d /tmp/quorvex-wine.XXXXXX)
export WINEPREFIX="$run/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export USER=Jürgen LOGNAME=Jürgen LC_ALL=C.UTF-8 TERM=xterm
unset DISPLAY QUORVEX_HOME R70COM_PORTS R70COM_TRACE
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
    "$WINESERVER" -k >/dev/null 2>&1
    chmod -R u+w "$run" 2>/dev/null
    rm -rf "$run"
}
trap cleanup EXIT

echo "== windows: Wine prefix (${SECONDS} s)"
"$WINE64" wineboot -i >"$run/wineboot.log" 2>&1
{
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
    for n in 1 2 4 5 6 7 8; do printf '"COM%d"=""\n' "$n"; done
    printf '"COM3"="%s"\n' "$run/com3"
    printf '"COM12"="%s"\n' "$run/com12"
} >"$run/ports.reg"
"$WINE64" regedit /S "$(winpath "$run/ports.reg")" >/dev/null 2>&1
"$WINESERVER" -w # the port names take effect when Wine starts again
# One server for every program of the run, its own output kept out of ours.
"$WINESERVER" -p >"$run/wineserver.log" 2>&1

start_sim() { # [com12] simulator options...
    local link="$run/com3"
    [ "${1:-}" = com12 ] && { link="$run/com12"; shift; }
    rm -f "$run/com3" "$run/com12" "$run/sim.out"
    "$sim" --model R70 --link "$link" "$@" >"$run/sim.out" 2>&1 &
    sim_pid=$!
    for _ in $(seq 100); do
        [ -s "$run/sim.out" ] && [ -L "$link" ] && return 0
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

# Where the standard user's files are, seen from here and from the program.
user_dir="$WINEPREFIX/drive_c/users/$USER"
user_win="C:\\users\\$USER"
data_dir="$user_dir/AppData/Roaming/Quorvex"
windows_ini="$WINEPREFIX/drive_c/windows/win.ini"

# quorvex-cli.exe installed as an installer puts it, with what an older
# version left beside it.
install_cli() { # bits
    local dir="$WINEPREFIX/drive_c/Program Files/Quorvex$1"
    rm -rf "$data_dir" # each word size starts as the first run of this version
    mkdir -p "$dir"
    cp "build-win$1/bin/quorvex-cli.exe" "build-win$1/bin/R70COM32.dll" "$dir/"
    printf '[MSN_DIV]\r\nALIAS0=K\xfcche\r\n' >"$dir/default.pro"
    [ "$(id -u)" = 0 ] || chmod a-w "$dir"
    cli="C:\\Program Files\\Quorvex$1\\quorvex-cli.exe"
    cli_dir="$dir"
}

# A command's output and its status, both checked: $1 the status wanted.
ends_with() { # status command...
    local want=$1 got
    shift
    out=$("$@" 2>&1)
    got=$?
    [ "$got" = "$want" ] && return 0
    echo "$* ended with $got, not $want:"
    echo "$out"
    return 1
}

# identify, backup into C:\users\Jürgen\büro.pro; on 64 bits also change one
# MSN (get and set work in the user's temporary folder), restore the backup,
# and the MSN is the backup's again. The 32-bit backup of the same simulated
# device must be the 64-bit one byte for byte. Nothing is written beside the
# program or into the Windows directory's win.ini; the user's folder holds
# what the old places held.
cli_round_trip() { # bits
    local pro="$user_win\\büro$1.pro" saved
    ends_with 0 "$loader" "$cli" identify || return 1
    grep -q 'COM3' <<<"$out" || { echo "$out"; return 1; }
    ends_with 0 "$loader" "$cli" backup "$pro" || return 1
    grep -q $'^ALIAS0=K\xc3\xbcche\r$' "$user_dir/büro$1.pro" ||
        { echo "the backup does not hold the old default.pro's port name"; return 1; }
    [ "$(ls "$cli_dir" | tr '\n' ' ')" = "R70COM32.dll default.pro quorvex-cli.exe " ] ||
        { echo "written beside the program: $(ls "$cli_dir")"; return 1; }
    [ "$(md5sum <"$windows_ini")" = "$windows_ini_md5" ] ||
        { echo "the Windows directory's win.ini was changed"; return 1; }
    grep -q '^FirstRun=1' "$data_dir/win.ini" && [ -f "$data_dir/default.pro" ] ||
        { echo "the user's folder does not hold what the old places held"; return 1; }
    if [ "$1" = 32 ]; then
        cmp "$user_dir/büro32.pro" "$user_dir/büro64.pro" || return 1
        return 0
    fi
    saved=$(sed -n 's/^AMSN00=\([^\r]*\)\r*$/\1/p' "$user_dir/büro$1.pro")
    [ -n "$saved" ] || { echo "the backup has no MSN AMSN00"; return 1; }
    ends_with 0 "$loader" "$cli" set MSN_DIV AMSN00 0309999 || return 1
    ends_with 0 "$loader" "$cli" get MSN_DIV AMSN00 && [ "${out%$'\r'}" = 0309999 ] || return 1
    ends_with 0 "$loader" "$cli" restore "$pro" || return 1
    ends_with 0 "$loader" "$cli" get MSN_DIV AMSN00 || return 1
    [ "${out%$'\r'}" = "$saved" ] || { echo "after restore AMSN00 is '$out', not '$saved'"; return 1; }
}

# A profile saved as "Unicode" (UTF-16 with its mark) is restored like the
# original; a file without profile settings is refused before the device is
# even opened (a load would send every default).
cli_file_forms() {
    local saved
    saved=$(sed -n 's/^AMSN00=\([^\r]*\)\r*$/\1/p' "$user_dir/büro64.pro")
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$user_dir/büro64.pro"; } >"$user_dir/unicode.pro"
    ends_with 0 "$loader" "$cli" set MSN_DIV AMSN00 0308888 || return 1
    ends_with 0 "$loader" "$cli" restore "$user_win\\unicode.pro" || return 1
    ends_with 0 "$loader" "$cli" get MSN_DIV AMSN00 || return 1
    [ "${out%$'\r'}" = "$saved" ] || { echo "the UTF-16 profile restored '$out'"; return 1; }
    : >"$user_dir/empty.pro"
    export R70COM_TRACE
    R70COM_TRACE=$(winpath "$run/empty.trace")
    ends_with 2 "$loader" "$cli" restore "$user_win\\empty.pro"
    local status=$?
    unset R70COM_TRACE
    [ "$status" = 0 ] && grep -q 'holds no settings of a profile' <<<"$out" &&
        [ ! -e "$run/empty.trace" ] ||
        { echo "an empty profile was not refused before the device: $out"; return 1; }
}

# The machine's COM ports: COM3 is listed, and only COM3 answers a probe.
cli_ports() {
    ends_with 0 "$loader" "$cli" ports || return 1
    grep -qE '^[ *] COM3 +\\\\\.\\COM3' <<<"$out" || { echo "$out"; return 1; }
    ends_with 0 "$loader" "$cli" ports --probe || return 1
    [ "$(grep -c 'R70' <<<"$out")" = 1 ] && grep -q '^COM3 (\\\\.\\COM3): R70,' <<<"$out" ||
        { echo "$out"; return 1; }
}

# A port above COM8 is the user's to choose: --port COM12 finds the device there.
cli_chosen_port() {
    ends_with 0 "$loader" "$cli" identify --port COM12 || return 1
    grep -q 'COM12' <<<"$out" || { echo "$out"; return 1; }
}

# The program in a console, as in a Windows terminal: Wine gives a program
# a console when it runs on a terminal. What the terminal showed, without
# its control sequences (Wine's console moves the cursor instead of writing
# blanks). With an answer, it is typed once the screen shows the question
# (Enter is CR in a console), within the same five minutes (a loaded
# machine starts Wine's console slowly).
screen_text() {
    perl -pe 's/\e\[(\d*)C/" " x ($1 || 1)/ge; s/\e\[[0-9;?]*[a-zA-Z]//g; s/\e[()][0-9A-B]//g; s/\r//g' \
        "$run/screen"
}
in_console() { # [--answer QUESTION KEYS] command...
    local question= keys= feeder=
    if [ "$1" = --answer ]; then
        question=$2 keys=$3
        shift 3
    fi
    local run_it=(env SHELL=/bin/bash timeout 300 script -qec "$(printf '%q ' "$@")" /dev/null)
    : >"$run/screen"
    local status
    if [ -z "$question" ]; then
        "${run_it[@]}" </dev/null >"$run/screen" 2>&1
        status=$?
    else
        # The keys go in once the question shows; the input stays open until
        # the program ends (its end would reach the console as ^D).
        rm -f "$run/keys"
        mkfifo "$run/keys"
        {
            for _ in $(seq 3000); do
                screen_text | grep -qF "$question" && { printf '%b' "$keys"; break; }
                sleep 0.1
            done
            exec sleep 310
        } >"$run/keys" &
        feeder=$!
        "${run_it[@]}" <"$run/keys" >"$run/screen" 2>&1
        status=$?
        kill "$feeder" 2>/dev/null
        wait "$feeder" 2>/dev/null
    fi
    # What went wrong, for the check's message when the screen says nothing.
    echo "the console ended with status $status after ${SECONDS} s of the run" >"$run/console.status"
    screen_text
}

# German on the console comes out as "Gerät", not as its UTF-8 bytes in the
# console's code page ("Ger├ñt"), and the console has its code page back
# afterwards. Asked in a console, "upgrade" asks before it installs (and "n"
# installs nothing), with the firmware file in the user's folder.
cli_console() {
    printf '@"%s" identify --lang de\r\n@chcp\r\n' "$cli" >"$run/console.bat"
    out=$(in_console "$loader" cmd /c "$(winpath "$run/console.bat")")
    # Wine's console now and then shows nothing at all on a loaded machine:
    # that is tried once more; a screen with the wrong text is not.
    [ -z "$out" ] && out=$(in_console "$loader" cmd /c "$(winpath "$run/console.bat")")
    grep -q 'kein Gerät geantwortet' <<<"$out" && grep -q 'code page: 437' <<<"$out" ||
        { echo "$out"; cat "$run/console.status"; return 1; }
    "$sim" --make-image "$user_dir/fw.r70" --model R70 --firmware 'V2.20 Jürgen' >/dev/null ||
        return 1
    start_sim || return 1
    out=$(in_console --answer '[j/N]' 'n\r' "$loader" "$cli" upgrade "$user_win\\fw.r70" --lang de)
    stop_sim
    grep -q 'Upgrade installieren? \[j/N\]' <<<"$out" && grep -q 'V2.20 Jürgen' <<<"$out" &&
        grep -q 'Upgrade abgebrochen' <<<"$out" || { echo "$out"; cat "$run/console.status"; return 1; }
}

# The check: its report under a name with "ü" (taken as UTF-8, not through the
# code page), and its progress in a console, as the other commands show theirs.
# It listens 30 ms after each reply instead of 250 (85 s a run).
cli_check() {
    local status
    export R70COM_LISTEN_MS=30
    out=$("$loader" "$cli" check --report "$user_win\\Jürgens Bericht.txt" 2>&1)
    status=$?
    if [ "$status" -gt 1 ] || [ ! -s "$user_dir/Jürgens Bericht.txt" ]; then
        echo "check --report ended with $status: $out"
        unset R70COM_LISTEN_MS
        return 1
    fi
    out=$(in_console "$loader" "$cli" check)
    unset R70COM_LISTEN_MS
    grep -q 'Checking the device\.\.\. *\[#' <<<"$out" || { echo "$out"; cat "$run/console.status"; return 1; }
}

# The end of a reply as this system's timers give it (a figure, not a check).
reply_timing() { # bits
    start_sim && "$loader" "build-win$1/bin/reply_timing.exe" 40 | sed 's/^/windows: Wine: /'
    stop_sim
}

printf '[QuorvexCom]\r\nFirstRun=1\r\n' >>"$windows_ini"
windows_ini_md5=$(md5sum <"$windows_ini")
{
    echo version=1
    echo model=R70
    printf 'currency=%s\n' "$(printf 'Euro%.0s' $(seq 15))"
    for i in $(seq 10); do printf 'call.22.0=01/04/01|%02d:00|0301234567890123456%d|OK|120\n' "$i" $((i % 10)); done
    printf 'reg.S91=%s\n' "$(printf 'A&B&%.0s' $(seq 60))"
} >"$run/long.state"

for bits in "${sizes[@]}"; do
    dir="build-win$bits"
    loader=$WINE64
    [ "$bits" = 32 ] && loader=$WINE32
    [ -f "$dir/bin/win_driver_test.exe" ] || continue
    echo "== windows: $bits bits under Wine (${SECONDS} s)"
    dll=$(winpath "$dir/bin/R70COM32.dll")
    if start_sim --fault pause=120,300; then
        check "win_driver_test ($bits bits)" "$loader" "$dir/bin/win_driver_test.exe" "$dll"
        stop_sim
    else
        check "simulator" false
    fi
    if start_sim --state "$run/long.state"; then
        mkdir -p "$run/records$bits"
        check "win_driver_test records ($bits bits)" \
            "$loader" "$dir/bin/win_driver_test.exe" "$dll" records "$(winpath "$run/records$bits")"
        stop_sim
    else
        check "simulator" false
    fi
    check "win_line_test ($bits bits)" "$loader" "$dir/bin/win_line_test.exe"
    check "win_profile_test ($bits bits)" "$loader" "$dir/bin/win_profile_test.exe" \
        "$(winpath tests/data/ini-vectors)" "$(winpath "$run")"
    install_cli "$bits"
    if start_sim; then
        check "quorvex-cli.exe as a standard user ($bits bits)" cli_round_trip "$bits"
        if [ "$bits" = 64 ]; then
            check "quorvex-cli.exe: UTF-16 and empty profiles" cli_file_forms
            check "quorvex-cli.exe ports" cli_ports
            check "quorvex-cli.exe check: report name, console progress" cli_check
        fi
        stop_sim
    else
        check "simulator" false
    fi
    if [ "$bits" = 64 ]; then
        if start_sim com12; then
            check "quorvex-cli.exe --port COM12" cli_chosen_port
            stop_sim
        else
            check "simulator" false
        fi
        check "quorvex-cli.exe in a console" cli_console
        reply_timing "$bits"
    fi
done

echo "== windows: done (${SECONDS} s)"
echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
