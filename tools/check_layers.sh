#!/usr/bin/env bash
# Fails when a file includes a header from a layer above its own. The arrows
# point down only:
#
#   app (shell), cli  ->  check  ->  pages/telephony, pages/data, maintenance  ->  ui  ->  core
#   core  ->  driver, profile, resources
#
# The driver is four libraries, one per folder: driver/api (the exports and
# the dispatch) -> driver/line (the serial line and its transports) ->
# driver/ports and driver/protocol. Its interface, driver/api/r70com32.h, is
# for every layer (the profile's table of settings names each setting's
# command by its DRV_ name). Above the driver, the shell and the command line use its
# api and ports, the core its api and ports, the check (of the device) the
# protocol's way of showing bytes.
#
# The page folders do not include each other. Logic files (every file that is
# not one of the Qt files named below) include no Qt and no widget header, so the
# logic libraries and quorvex-cli build without Qt; app/main.cpp starts the
# desktop program and is a widget file. cli includes the shell's logic only.
set -uo pipefail
cd "$(dirname "$0")/.."

rank() {
    case "$1" in
        driver/protocol | driver/ports | profile | resources | sim) echo 0 ;;
        driver/line) echo 1 ;;
        driver/api) echo 2 ;;
        core) echo 3 ;;
        ui) echo 4 ;;
        pages/telephony | pages/data | maintenance) echo 5 ;;
        check) echo 6 ;;
        app) echo 7 ;;
        cli) echo 8 ;;
        *) echo -1 ;;
    esac
}

# Lower folders each layer may include besides its own (core may use all three
# of the bottom layer; driver, profile and resources stand alone).
allowed() {
    case "$1" in
        driver/protocol | driver/ports | profile | resources | sim) echo "" ;;
        driver/line) echo "driver/protocol driver/ports" ;;
        driver/api) echo "driver/line driver/protocol driver/ports" ;;
        core) echo "driver/ports profile resources" ;;
        ui) echo "core resources" ;;
        pages/telephony | pages/data | maintenance) echo "ui core profile resources" ;;
        check) echo "pages/telephony pages/data maintenance core driver/ports driver/protocol profile resources" ;;
        app) echo "check pages/telephony pages/data maintenance ui core driver/ports profile resources" ;;
        cli) echo "check app pages/telephony pages/data maintenance core driver/ports profile resources" ;;
    esac
}

# The Qt files: all of ui/, app/main.cpp, and in each page or shell folder the
# names its CMakeLists.txt lists after QT in quorvex_layer_folder (NAME.h and
# NAME.cpp), the same list the build takes them from.
declare -A qt_file=()
for folder in pages/telephony pages/data maintenance app; do
    for name in $(awk '/quorvex_layer_folder\(/ { on = 1 } on { print } on && /\)/ { exit }' \
        "$folder/CMakeLists.txt" | tr ' ()' '\n\n\n' | sed -n '/^QT$/,$p' | tail -n +2); do
        qt_file["$folder/$name.h"]=1
        qt_file["$folder/$name.cpp"]=1
    done
done
is_widget() { [[ -n "${qt_file[$1]:-}" || "$1" == app/main.cpp || "$1" == ui/* ]]; }

failures=0
fail() {
    echo "layers: $1" >&2
    failures=$((failures + 1))
}

for folder in driver/protocol driver/ports driver/line driver/api profile resources sim core ui pages/telephony pages/data \
    maintenance check app cli; do
    for file in $(find "$folder" -maxdepth 1 \( -name '*.h' -o -name '*.cpp' \) | sort); do
        while IFS= read -r line; do
            header=${line#*\"}
            header=${header%%\"*}
            if [[ "$line" == *"<Q"* ]]; then
                is_widget "$file" || fail "$file includes Qt (${line#\#include }) but is a logic file"
                continue
            fi
            [[ "$header" == */* ]] || continue
            target=${header%/*}
            [ "$target" == "$folder" ] && { is_widget "$file" || ! is_widget "$header" || fail "$file (logic) includes the widget header $header"; continue; }
            [ "$header" == driver/api/r70com32.h ] && continue # the driver's interface, for all
            [ "$(rank "$target")" -ge 0 ] || continue # not one of ours (a system header)
            if [[ " $(allowed "$folder") " != *" $target "* ]]; then
                fail "$file includes $header: $folder may not include $target"
            elif ! is_widget "$file" && is_widget "$header"; then
                fail "$file (logic) includes the widget header $header"
            fi
        done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]' "$file")
    done
done

if [ "$failures" -gt 0 ]; then
    echo "layers: $failures include(s) point up or across" >&2
    exit 1
fi
echo "layers: every include points down"
