#!/usr/bin/env bash
# The Windows forms under Wine: cross-builds R70COM32.dll, quorvex-cli.exe and
# the Windows test programs for 64 and 32 bits with MinGW-w64
# (cmake/toolchains/), checks both DLLs' export tables against
# driver/api/exports.list and both programs' manifests, then runs the programs
# against the simulator on a Wine COM port, as a standard Windows user meets
# them: the account is named "Jürgen" (its application data and temporary
# folders have a non-ASCII name), quorvex-cli.exe is installed under Program
# Files (a folder this script makes read-only unless it runs as root), there
# is no QUORVEX_HOME, and an older version left default.pro beside the
# program and its key in the Windows directory's win.ini.
# With Qt for 64-bit Windows (below), the same 64-bit tree also builds the
# desktop program quorvex.exe and its installer (an MSI), which is installed
# with msiexec, and the installed program is used under Xvfb against the
# simulator (the steps of desktop_run, through the program's --drive), then
# upgraded over and uninstalled.
#   scripts/windows.sh [NATIVE_BUILD]    NATIVE_BUILD holds bin/r70sim (default: build)
# Qt for Windows: the prefix QUORVEX_QT_MINGW names (or an archive of it),
# else ../shared/qt-mingw/qt6-mingw64.tar.xz beside this checkout, unpacked
# into build-win64 when it is new. Without it, or without wixl or Xvfb, the
# desktop part says why and is skipped.
# Ends with "windows: N passed, N failed, N skipped"; the exit status is 0
# when nothing failed. Without MinGW-w64 or Wine (scripts/setup.sh packages
# installs them) it says so and skips. The 32-bit programs run only where this
# machine starts 32-bit programs at all and wine32 is installed; elsewhere
# they are still built and statically checked (the record's layout is
# asserted when the 32-bit DLL compiles), and only their Wine runs are skipped.
set -uo pipefail
cd "$(dirname "$0")/.."
native=${1:-build}
sim="$native/bin/r70sim"
# The project's one version (CMake's project VERSION).
project_version=$(sed -n 's/^project(quorvex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

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
skipped=0
skip() { # what, why
    skipped=$((skipped + 1))
    echo "SKIPPED: $1: $2"
}
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

# Qt for 64-bit Windows (the archive's README: Qt 6.4.2, qtbase and qtsvg,
# built with Debian's MinGW-w64): a prefix, or an archive unpacked into the
# 64-bit tree once, and again only when the archive changes. Sets qt_prefix,
# or qt_missing to why there is none.
qt_prefix=
qt_missing=
find_qt() {
    local given=${QUORVEX_QT_MINGW:-} archive=../shared/qt-mingw/qt6-mingw64.tar.xz
    if [ -n "$given" ] && [ -d "$given" ]; then
        [ -f "$given/lib/cmake/Qt6/Qt6Config.cmake" ] ||
            { qt_missing="QUORVEX_QT_MINGW=$given holds no Qt (no lib/cmake/Qt6)"; return; }
        qt_prefix=$(realpath "$given")
        return
    fi
    if [ -n "$given" ] && [ ! -f "$given" ]; then
        qt_missing="QUORVEX_QT_MINGW=$given is neither a Qt prefix nor an archive of one"
        return
    fi
    [ -n "$given" ] && archive=$given
    if [ ! -f "$archive" ]; then
        qt_missing="Qt for 64-bit Windows is missing: name its prefix in QUORVEX_QT_MINGW, or put the"
        qt_missing+=" project's archive at $archive (build-qt-mingw.sh beside it makes it, in about"
        qt_missing+=" 1.5 hours; README \"Windows\")"
        return
    fi
    local into=build-win64 sum
    sum=$(sha256sum <"$archive" | cut -d' ' -f1)
    if [ "$(cat "$into/qt6-mingw64.sha256" 2>/dev/null)" != "$sum" ] || [ ! -d "$into/qt6-mingw64" ]; then
        echo "windows: unpacking $archive into $into"
        rm -rf "$into/qt6-mingw64" "$into/qt6-mingw64.sha256"
        mkdir -p "$into"
        tar -C "$into" -xJf "$archive" || { qt_missing="$archive could not be unpacked"; return; }
        [ -f "$into/qt6-mingw64/lib/cmake/Qt6/Qt6Config.cmake" ] ||
            { qt_missing="$archive holds no qt6-mingw64/lib/cmake/Qt6"; return; }
        echo "$sum" >"$into/qt6-mingw64.sha256"
    fi
    qt_prefix=$(realpath "$into/qt6-mingw64")
}

# -O2 without debug information: the quickest build that still warns as the
# native one does (GCC 12 gives false -Wrestrict warnings at -O3). The
# desktop program and its installer only in the 64-bit tree, with Qt.
cross_build() { # 64 | 32
    local arch=x86_64
    [ "$1" = 32 ] && arch=i686
    local launcher=() gui=(-DQUORVEX_GUI=OFF)
    local targets=(R70COM32 quorvex-cli r70com32_win32_test transport_win32_test profile_win32_test reply_timing)
    command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache
                                              -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    if [ "$1" = 64 ] && [ -n "$qt_prefix" ]; then
        gui=(-DQUORVEX_GUI=ON -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
             -DCMAKE_PREFIX_PATH="$qt_prefix" -DQt6_DIR="$qt_prefix/lib/cmake/Qt6")
        targets+=(quorvex win_answer R70COM32_entry2-unnamed R70COM32_no-entry2)
        [ -n "$wixl_missing" ] || targets+=(quorvex-msi)
    fi
    cmake -S . -B "build-win$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/mingw-w64-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DQUORVEX_WERROR=ON "${gui[@]}" "${launcher[@]}" \
        >/dev/null &&
        cmake --build "build-win$1" -j"$(nproc)" --target "${targets[@]}"
}

# The program's manifest: resource 1 of type 24, which asks for no elevation,
# takes long paths and UTF-8 as the process's code page; its version
# resource (type 16) with the project's version, and its icon (type 3).
check_manifest() { # 64 | 32 [program]
    local name=${2:-quorvex-cli}
    local exe="build-win$1/bin/$name.exe" objdump=x86_64-w64-mingw32-objdump want
    [ "$1" = 32 ] && objdump=i686-w64-mingw32-objdump
    local resources
    resources=$("$objdump" -p "$exe")
    for want in 'Entry: ID: 0x000018' 'Entry: ID: 0x000010' 'Entry: ID: 0x000003'; do
        grep -q "$want" <<<"$resources" ||
            { echo "$name.exe ($1 bits) lacks the resource type ${want##*0x0000}"; return 1; }
    done
    for want in 'level="asInvoker"' '<longPathAware' '>true</longPathAware>' \
        '>UTF-8</activeCodePage>'; do
        grep -qaF "$want" "$exe" || { echo "$name.exe ($1 bits): no $want"; return 1; }
    done
    # The version resource's texts are UTF-16.
    V=$project_version perl -0777 -ne 'sub w { join("\0", split(//, $_[0])) . "\0" }
        exit(index($_, w("ProductVersion")) < 0 || index($_, w($ENV{V})) < 0)' <"$exe" ||
        { echo "$name.exe ($1 bits): no version $project_version in its version resource"; return 1; }
}

# quorvex.exe is a window program (subsystem 2, no console); it imports
# nothing of R70COM32.dll (it takes the entries itself, by number), and beeps
# with the system's MessageBeep.
check_program_imports() {
    local dump
    dump=$(x86_64-w64-mingw32-objdump -p build-win64/bin/quorvex.exe)
    grep -qE '^Subsystem[[:space:]]+0+2[[:space:]]' <<<"$dump" ||
        { echo "quorvex.exe is no window program: $(grep '^Subsystem' <<<"$dump")"; return 1; }
    grep -qi 'DLL Name: R70COM32.dll' <<<"$dump" &&
        { echo "quorvex.exe imports R70COM32.dll: the loader would bind it"; return 1; }
    grep -qE '[[:space:]]MessageBeep$' <<<"$dump" ||
        { echo "quorvex.exe does not call MessageBeep"; return 1; }
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
    want=$(awk '/^D_/ {print $2, $1}' driver/api/exports.list | sort)
    [ "$got" = "$want" ] && return 0
    echo "R70COM32.dll ($1 bits) exports:"
    echo "$got"
    echo "driver/api/exports.list says:"
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

# The desktop program: Qt for Windows, wixl for its installer, Xvfb for its
# windows. What is missing skips that much of it, and says so.
find_qt
wixl_missing=
command -v wixl >/dev/null && command -v msiinfo >/dev/null ||
    wixl_missing="wixl or msiinfo is not installed (Debian: wixl, msitools; scripts/setup.sh packages)"
display_missing=
command -v Xvfb >/dev/null || display_missing="Xvfb is not installed (Debian: xvfb)"

echo "== windows: cross builds (64 and 32 bits)"
check "cross build, 64 bits" cross_build 64
check "cross build, 32 bits" cross_build 32
check "export table, 64 bits" check_exports 64
check "export table, 32 bits" check_exports 32
check "manifest, 64 bits" check_manifest 64
check "manifest, 32 bits" check_manifest 32
if [ -n "$qt_prefix" ]; then
    check "quorvex.exe: manifest, version, icon" check_manifest 64 quorvex
    check "quorvex.exe: a window program with the system's beep" check_program_imports
else
    skip "the desktop program" "$qt_missing"
fi

# One Wine prefix for the whole run. COM3 (and, for the chosen port, COM12)
# is a link to the simulator's pseudo-terminal; the other COM names are
# hidden, so that no real port of this machine is probed (Wine then opens
# them, but refuses their line functions). Wine names the account after USER
# and reads names from the command line in the locale's encoding.
run=$(mktemp -d /tmp/quorvex-wine.XXXXXX)
export WINEPREFIX="$run/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export USER=Jürgen LOGNAME=Jürgen LC_ALL=C.UTF-8 TERM=xterm
unset DISPLAY QUORVEX_HOME R70COM_PORTS R70COM_TRACE
# Qt's own variables of this machine (./test.sh sets the offscreen platform)
# would reach the Windows program too.
unset QT_QPA_PLATFORM QT_QPA_PLATFORM_PLUGIN_PATH QT_PLUGIN_PATH QT_STYLE_OVERRIDE
# An installer's Start menu entry must not become a menu entry of this machine.
WINEDLLOVERRIDES+=";winemenubuilder.exe=d"
sim_pid=
display_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
    "$WINESERVER" -k >/dev/null 2>&1
    [ -n "$display_pid" ] && kill "$display_pid" 2>/dev/null
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
        # Wine's console now and then shows nothing at all on a loaded
        # machine: that is tried once more; a screen with the wrong text is not.
        if [ -z "$(screen_text)" ]; then
            "${run_it[@]}" </dev/null >"$run/screen" 2>&1
            status=$?
        fi
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

cp "$windows_ini" "$run/win.ini.fresh"
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
    [ -f "$dir/bin/r70com32_win32_test.exe" ] || continue
    echo "== windows: $bits bits under Wine (${SECONDS} s)"
    dll=$(winpath "$dir/bin/R70COM32.dll")
    if start_sim --fault pause=120,300; then
        check "r70com32_win32_test ($bits bits)" "$loader" "$dir/bin/r70com32_win32_test.exe" "$dll"
        stop_sim
    else
        check "simulator" false
    fi
    if start_sim --state "$run/long.state"; then
        mkdir -p "$run/records$bits"
        check "r70com32_win32_test records ($bits bits)" \
            "$loader" "$dir/bin/r70com32_win32_test.exe" "$dll" records "$(winpath "$run/records$bits")"
        stop_sim
    else
        check "simulator" false
    fi
    check "transport_win32_test ($bits bits)" "$loader" "$dir/bin/transport_win32_test.exe"
    check "profile_win32_test ($bits bits)" "$loader" "$dir/bin/profile_win32_test.exe" \
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

# ---- The desktop program, installed from its MSI, under Xvfb ----

msi="build-win64/quorvex-$project_version-x64.msi"
program_dir="$WINEPREFIX/drive_c/Program Files/Quorvex"
program_win="C:\\Program Files\\Quorvex"
shots=build-win64/screenshots
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# A display of its own for the program's windows: Xvfb picks a free number.
start_display() {
    : >"$run/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$run/display" >"$run/xvfb.log" 2>&1 &
    display_pid=$!
    for _ in $(seq 300); do
        if [ -s "$run/display" ]; then
            DISPLAY=":$(tr -d '\n' <"$run/display")"
            export DISPLAY
            return 0
        fi
        kill -0 "$display_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "windows: Xvfb did not start: $(cat "$run/xvfb.log")"
    return 1
}

msiexec_quiet() { # /i|/x MSI
    ends_with 0 "$WINE64" msiexec "$1" "$(winpath "$2")" /qn
}

# "Apps & features": name|version|publisher of every entry named Quorvex.
apps_entries() {
    "$WINE64" reg query "$uninstall_key" /s 2>/dev/null | tr -d '\r' | awk '
        function flush() { if (name == "Quorvex") print name "|" version "|" publisher; name = version = publisher = "" }
        /^HKEY_/ { flush() }
        match($0, /REG_SZ[ \t]+/) {
            value = substr($0, RSTART + RLENGTH)
            if ($1 == "DisplayName") name = value
            if ($1 == "DisplayVersion") version = value
            if ($1 == "Publisher") publisher = value
        }
        END { flush() }'
}
start_menu_entry() {
    find "$WINEPREFIX/drive_c" -iname 'Quorvex.lnk' | grep .
}

# What the installer put where: the programs, Qt and the MinGW run-time with
# the plugins, the licence texts, the Start menu entry, and one entry in
# "Apps & features" with the project's version and its publisher.
check_installed() { # version
    local f missing=
    for f in quorvex.exe quorvex-cli.exe R70COM32.dll Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll \
        Qt6Svg.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll qt.conf \
        platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qsvg.dll \
        licences/README.txt licences/LGPL-3.txt licences/GPL-3.txt; do
        [ -f "$program_dir/$f" ] || missing+=" $f"
    done
    [ -z "$missing" ] || { echo "not installed:$missing"; return 1; }
    start_menu_entry >/dev/null || { echo "no Start menu entry Quorvex.lnk"; return 1; }
    local apps
    apps=$(apps_entries)
    [ "$apps" = "Quorvex|$1|$publisher" ] ||
        { echo "Apps & features shows '$apps', not 'Quorvex|$1|$publisher'"; return 1; }
}

# The user's files, as they must stay through an uninstall and an upgrade.
profile_sums() {
    (cd "$data_dir" && md5sum default.pro win.ini) 2>&1
}
check_uninstalled() {
    [ ! -e "$program_dir" ] || { echo "left in Program Files:"; find "$program_dir"; return 1; }
    ! start_menu_entry >/dev/null || { echo "the Start menu entry stayed"; return 1; }
    [ -z "$(apps_entries)" ] || { echo "still in Apps & features: $(apps_entries)"; return 1; }
    [ "$(profile_sums)" = "$profiles_kept" ] ||
        { echo "%APPDATA%\\Quorvex changed: $(profile_sums)"; return 1; }
}

# A window program's --version, where its user reads it.
program_version() {
    ends_with 0 "$WINE64" "$program_win\\quorvex.exe" --version &&
        [ "${out%$'\r'}" = "quorvex $project_version" ] || { echo "$out"; return 1; }
}

# The installed program doing the steps of a script (its --drive), with the
# splash time cut to nothing. out: what it wrote; the exit status must be 0.
desktop_run() { # script [program folder]
    local script=$1 folder=${2:-$program_win} status
    rm -f "$script.out"
    QUORVEX_SPLASH_MS=0 timeout 900 "$WINE64" "$folder\\quorvex.exe" --drive "$(winpath "$script")" \
        >"$run/desktop.log" 2>&1
    status=$?
    out=$(cat "$script.out" 2>/dev/null)
    [ "$status" = 0 ] && ! grep -q '^FAIL' <<<"$out" && return 0
    echo "quorvex.exe --drive ${script##*/} ended with $status; it wrote:"
    echo "$out"
    tail -5 "$run/desktop.log"
    return 1
}
# "ID: text" of a control as the program's report has it.
shown() { # ID
    sed -n "s/^$1: //p" <<<"$out" | tail -1
}
# The last line the simulator heard (it writes them when it ends).
heard_last() {
    tail -1 "$run/heard" 2>/dev/null | tr -d '\r'
}

# The first start of the installed program, with what an older version left
# in the per-user copy Windows made of its folder (%LOCALAPPDATA%\VirtualStore),
# no FirstRun in the Windows directory's win.ini: the settings dialog opens by
# itself, offers the Wine COM ports and keeps the one chosen; the MSN page
# shows the device's MSNs and the old port name; every page opens; an MSN is
# sent; "Save Profile As..." and "Load Profile..." with C:\users\Jürgen\büro.pro
# (another MSN sent between them), then Quit, which sends command 6.
desktop_first_start() {
    local script="$run/first.steps" pro="$user_win\\büro.pro" k
    {
        echo "wait CSettingsDlg"
        echo "show 1484 1485"
        echo "shot $(winpath "$shots/windows-settings.png")"
        echo "choose 1485 COM3"
        echo "click 1053"
        echo "caption"
        echo "show 2140 3000 3003 3015"
        echo "shot $(winpath "$shots/windows-msn-page.png")"
        for k in 1 2 3 4 5 6 7 8 9 0; do
            echo "click 500$k"
            echo "caption"
        done
        echo "type 3004 0301234"
        echo "click 2154"
        echo "menu 5012"
        echo "type 3004 0309999"
        echo "click 2154"
        echo "show 3004"
        echo "menu 5011"
        echo "show 3004"
        echo "menu 2153"
    } >"$script"
    # The two file dialogs are the system's: answered as a user does (and
    # each step after the menu item waits until the dialog is gone).
    "$WINE64" build-win64/bin/win_answer.exe file "Save Profile As..." "$pro" "Load Profile..." "$pro" \
        >"$run/answers.log" 2>&1 &
    local answers=$!
    desktop_run "$script"
    local status=$?
    [ "$status" = 0 ] || kill "$answers" 2>/dev/null
    wait "$answers" || { echo "the file dialogs: $(cat "$run/answers.log")"; return 1; }
    [ "$status" = 0 ] || return 1
    stop_sim
    local fails=
    grep -qF '|COM3  \\.\COM3|' <<<"$out" && grep -qF '|\\.\COM12' <<<"$out" ||
        fails+=" the port list lacks COM3 or COM12;"
    [ "$(shown 3000)|$(shown 3003)|$(shown 3015)" = "4711|4712|4719" ] ||
        fails+=" the MSN page shows $(shown 3000)|$(shown 3003)|$(shown 3015), not the device's 4711|4712|4719;"
    [ "$(shown 2140)" = "Küche" ] || fails+=" port 11 is named '$(shown 2140)', not the old Küche;"
    [ "$(grep -c '^caption: ' <<<"$out")" = 11 ] && [ "$(grep '^caption: ' <<<"$out" | sort -u | wc -l)" = 10 ] ||
        fails+=" not ten pages opened:$(grep '^caption: ' <<<"$out" | tr '\n' ';')"
    [ "$(grep '^3004: ' <<<"$out" | tr '\n' ' ')" = "3004: 0309999 3004: 0301234 " ] ||
        fails+=" the MSN of port 21 was $(grep '^3004: ' <<<"$out" | tr '\n' ' ')around the load;"
    grep -q $'^AMSN11=0301234\r$' "$user_dir/büro.pro" || fails+=" büro.pro lacks AMSN11=0301234;"
    grep -qi '^Port=.*COM3' "$data_dir/win.ini" || fails+=" win.ini keeps no port COM3;"
    [ "$(heard_last)" = "AT&W" ] || fails+=" the device did not hear AT&W last ($(tail -1 "$run/heard"));"
    [ -z "$fails" ] || { echo "$fails"; echo "$out"; return 1; }
}

# The second start: no settings dialog, the chosen port kept; German chosen
# with the flag relabels the menus and the messages; a firmware upgrade, from
# which the device comes up with its factory settings and gets every setting
# back from default.pro; Quit.
startup_ms=
desktop_second_start() {
    local script="$run/second.steps" t0
    {
        echo "ready"
        echo "menu 5013"
        echo "wait CSettingsDlg"
        echo "show 1485"
        echo "key 1052 Down"
        echo "click 1053"
        echo "menus"
        echo "type 3000 12a"
        echo "message"
        echo "show 3000"
        echo "menu 5014"
        echo "wait CUpgradeDlg"
        echo "click 5014"
        echo "wait firmwareFileDialog"
        echo "type fileNameEdit $user_win\\fw.r70"
        echo "key fileNameEdit Return"
        echo "wait CFirmwareInfoDlg"
        echo "click 1053"
        echo "message"
        echo "show 3000 3003 3004 3015"
        echo "menu 2153"
    } >"$script"
    "$sim" --make-image "$user_dir/fw.r70" --model R70 --firmware 'V2.30 R70' >/dev/null || return 1
    t0=$(date +%s%3N)
    desktop_run "$script" || return 1
    stop_sim
    local ready fails=
    ready=$(sed -n 's/^ready \([0-9]*\) .*/\1/p' <<<"$out")
    [ -n "$ready" ] && startup_ms=$((ready - t0))
    grep -q '^ready [0-9]* style windowsvista$' <<<"$out" || fails+=" not the windowsvista style;"
    # The chosen port is kept, and the search tries it first: COM1.
    grep -qF '|*COM1  \\.\COM3|' <<<"$out" || fails+=" the chosen port COM3 was not kept;"
    grep -q '^menu Datei: Monitor-Modus|Profil laden\.\.\.|' <<<"$out" && grep -q '^menu Hilfe: .*|Gerät prüfen\.\.\.$' <<<"$out" ||
        fails+=" the menus are not German;"
    grep -q '^message: Bitte geben Sie Rufnummern ein' <<<"$out" || fails+=" no German message for a letter in an MSN;"
    grep -q '^message: Das UPGRADE war erfolgreich!' <<<"$out" || fails+=" no successful upgrade;"
    [ "$(grep '^3000: ' <<<"$out" | tr '\n' ' ')" = "3000: 4711 3000: 4711 " ] ||
        fails+=" port 11's MSN: $(grep '^3000: ' <<<"$out" | tr '\n' ' ');"
    [ "$(shown 3003)|$(shown 3004)|$(shown 3015)" = "4712|0301234|4719" ] ||
        fails+=" after the upgrade the page shows $(shown 3003)|$(shown 3004)|$(shown 3015);"
    grep -qx 'AT!DOWNLOAD' "$run/heard" || fails+=" the device never went into its loader;"
    [ "$(heard_last)" = "AT&W" ] || fails+=" the device did not hear AT&W last;"
    [ -z "$fails" ] || { echo "$fails"; echo "$out"; return 1; }
}

# Every setting the device had before the upgrade it has after it (the
# program's own keys, the language among them, aside), and its firmware is
# the new one.
settings_back() {
    ends_with 0 "$WINE64" "$program_win\\quorvex-cli.exe" identify || return 1
    grep -q 'V2.30 R70' <<<"$out" || { echo "not the new firmware: $out"; return 1; }
    "$WINE64" "$program_win\\quorvex-cli.exe" diff "$user_win\\before.pro" >"$run/diff.out" 2>&1
    local status=$?
    if [ "$status" -gt 1 ] || grep -v 'kept by the program' "$run/diff.out" | grep -q ': file='; then
        echo "the device differs from before the upgrade ($status):"
        cat "$run/diff.out"
        return 1
    fi
}

# The program takes D_SendDrvCmd as entry 2 of R70COM32.dll: with a DLL whose
# entry 2 has no name (and whose name D_SendDrvCmd answers "no device"), it
# finds the device; with a DLL without entry 2 it says so in a message box of
# the system and ends with status 2. Each beside a copy of the installed
# program.
program_copy() { # variant
    local copy="$WINEPREFIX/drive_c/Quorvex-$1"
    rm -rf "$copy"
    cp -r "$program_dir" "$copy"
    cp "build-win64/bin/$1/R70COM32.dll" "$copy/"
}
by_entry_two() {
    program_copy entry2-unnamed
    printf 'show 3000\nmenu 2153\n' >"$run/entry2.steps"
    desktop_run "$run/entry2.steps" 'C:\Quorvex-entry2-unnamed' || return 1
    [ "$(shown 3000)" = 4711 ] || { echo "the device was not found: $out"; return 1; }
}
refuses_without_entry_two() {
    program_copy no-entry2
    printf 'menu 2153\n' >"$run/none.steps"
    "$WINE64" 'C:\Quorvex-no-entry2\quorvex.exe' --drive "$(winpath "$run/none.steps")" \
        >"$run/none.log" 2>&1 &
    local program=$! text status
    text=$("$WINE64" build-win64/bin/win_answer.exe box Quorvex 2>&1)
    wait "$program"
    status=$?
    # In the user's language, German since the second start.
    grep -qF 'R70COM32.dll in C:\Quorvex-no-entry2 ist nicht der Treiber' <<<"$text" &&
        grep -qF 'Eintrag 2 (D_SendDrvCmd)' <<<"$text" && [ "$status" = 2 ] ||
        { echo "status $status, the box said: $text"; return 1; }
}

# What the user sees of it: the installer, then the program, then the
# uninstall, and an upgrade over an older version; each skipped with its
# reason where this machine lacks what it needs.
desktop_tests() {
    publisher=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^Manufacturer\t//p')
    local version
    version=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductVersion\t//p')
    check "installer: the project's version" test "$version" = "$project_version"
    echo "windows: installer ${msi##*/}: $(stat -c %s "$msi") bytes"
    if [ -n "$display_missing" ]; then
        skip "the desktop program under Wine" "$display_missing"
        return
    fi
    # Windows' look in the screenshots: Wine draws the windows' frames itself
    # on a desktop of its own (an X server without a window manager draws none).
    printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\n"Desktop"="Default"\n\n' >"$run/desktop.reg"
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\n"Default"="1024x768"\n' >>"$run/desktop.reg"
    "$WINE64" regedit /S "$(winpath "$run/desktop.reg")" >/dev/null 2>&1
    # The frames' buttons are glyphs of the Marlett font, which every Windows
    # has in its Fonts folder; Debian's Wine (fonts-wine) keeps its copy where
    # it loads only the bitmap fonts from, so the prefix gets them as Windows
    # has them (else the buttons show the letters 0, 1 and r).
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    else
        echo "windows: fonts-wine is not installed: the screenshots' frame buttons show letters"
    fi
    # A server that knows the display from its first program on.
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w
    start_display || { check "a display (Xvfb)" false; return; }
    "$WINESERVER" -p >>"$run/wineserver.log" 2>&1
    # The first program starts Wine's services, which stay: their output goes
    # to a file, not into the output a check waits to read to its end.
    "$WINE64" cmd /c exit >"$run/services.log" 2>&1 </dev/null

    # A standard user's first start of this version: nothing in %APPDATA%,
    # no FirstRun in the Windows directory's win.ini, and the old default.pro
    # in the per-user copy of the program's folder.
    rm -rf "$data_dir" "$shots"
    mkdir -p "$shots"
    cp "$run/win.ini.fresh" "$windows_ini"
    local store="$user_dir/AppData/Local/VirtualStore/Program Files/Quorvex"
    mkdir -p "$store"
    printf '[MSN_DIV]\r\nALIAS0=K\xfcche\r\n' >"$store/default.pro"

    check "installer: msiexec /i /qn" msiexec_quiet /i "$msi"
    check "installer: files, Start menu, Apps & features" check_installed "$project_version"
    [ -f "$program_dir/quorvex.exe" ] || return
    check "quorvex.exe --version" program_version
    rm -f "$run/gui.state"
    start_sim --state "$run/gui.state" --heard "$run/heard" &&
        check "quorvex.exe: first start, pages, MSN, profiles, Quit" desktop_first_start
    stop_sim
    start_sim --state "$run/gui.state" &&
        check "quorvex-cli.exe: a backup before the upgrade" \
            ends_with 0 "$WINE64" "$program_win\\quorvex-cli.exe" backup "$user_win\\before.pro"
    stop_sim
    start_sim --state "$run/gui.state" --heard "$run/heard" &&
        check "quorvex.exe: second start, German, upgrade, Quit" desktop_second_start
    stop_sim
    [ -n "$startup_ms" ] &&
        echo "windows: Wine: quorvex.exe from its start to the MSN page read: $((startup_ms / 1000)).$(printf '%03d' $((startup_ms % 1000))) s (QUORVEX_SPLASH_MS=0, the simulated R70 on COM3)"
    if start_sim --state "$run/gui.state"; then
        check "quorvex.exe: every setting back after the upgrade" settings_back
        check "quorvex.exe: D_SendDrvCmd is entry 2" by_entry_two
        stop_sim
    fi
    check "quorvex.exe: a DLL without entry 2 is refused" refuses_without_entry_two

    # Uninstalled, and installed again over an older version: the user's
    # profiles stay through both.
    profiles_kept=$(profile_sums)
    check "installer: msiexec /x /qn" msiexec_quiet /x "$msi"
    check "installer: nothing left but the user's files" check_uninstalled
    (cd build-win64/packaging/windows/stage &&
        wixl -a x64 -D Version=0.0.1 -D "Publisher=$publisher" -o "$run/old.msi" quorvex.wxs) ||
        { check "an older installer" false; return; }
    check "installer: an older version" msiexec_quiet /i "$run/old.msi"
    check "installer: the older version installed" check_installed 0.0.1
    check "installer: the upgrade over it" msiexec_quiet /i "$msi"
    check "installer: only this version after the upgrade" check_installed "$project_version"
    check "installer: the upgrade kept the user's files" test "$(profile_sums)" = "$profiles_kept"
    check "installer: msiexec /x /qn after the upgrade" msiexec_quiet /x "$msi"
    check "installer: nothing left after the upgrade's uninstall" check_uninstalled
}

if [ -z "$qt_prefix" ]; then
    : # said above
elif [ -n "$wixl_missing" ]; then
    skip "the desktop program's installer and its Wine runs" "$wixl_missing"
elif [ ! -f "$msi" ]; then
    check "the installer was built" false
else
    echo "== windows: the desktop program, installed, under Wine (${SECONDS} s)"
    desktop_tests
fi

echo "== windows: done (${SECONDS} s)"
echo "windows: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
