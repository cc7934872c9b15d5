#!/usr/bin/env bash
# Fails when a file includes a header from a layer above its own. The arrows
# point down only:
#
#   app (shell), cli  ->  pages/telephony, pages/data, maintenance  ->  ui  ->  core
#   core  ->  driver, profile, resources
#
# profile may include the driver's public header driver/r70com32.h alone:
# its table of settings names the command of each setting by its DRV_ name.
#
# The page folders do not include each other. Logic files (every file that is
# not a *_widget or *_dlg file) include no Qt and no widget header, so the
# logic libraries and quorvex-cli build without Qt; app/main.cpp starts the
# desktop program and is a widget file. cli includes the shell's logic only.
set -uo pipefail
cd "$(dirname "$0")/.."

rank() {
    case "$1" in
        driver | profile | resources | sim) echo 0 ;;
        core) echo 1 ;;
        ui) echo 2 ;;
        pages/telephony | pages/data | maintenance) echo 3 ;;
        app) echo 4 ;;
        cli) echo 5 ;;
        *) echo -1 ;;
    esac
}

# Lower folders each layer may include besides its own (core may use all three
# of the bottom layer; driver, profile and resources stand alone).
allowed() {
    case "$1" in
        driver | profile | resources | sim) echo "" ;;
        core) echo "driver profile resources" ;;
        ui) echo "core resources" ;;
        pages/telephony | pages/data | maintenance) echo "ui core driver profile resources" ;;
        app) echo "pages/telephony pages/data maintenance ui core driver profile resources" ;;
        cli) echo "app pages/telephony pages/data maintenance core driver profile resources" ;;
    esac
}

is_widget() { [[ "$1" =~ (_widget|_dlg)\.(h|cpp)$ || "$1" == app/main.cpp || "$1" == ui/* ]]; }

failures=0
fail() {
    echo "layers: $1" >&2
    failures=$((failures + 1))
}

for folder in driver profile resources sim core ui pages/telephony pages/data maintenance app cli; do
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
            [ "$(rank "$target")" -ge 0 ] || continue # not one of ours (a system header)
            [ "$folder" == profile ] && [ "$header" == driver/r70com32.h ] && continue
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
