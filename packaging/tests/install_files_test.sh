#!/usr/bin/env bash
# What `cmake --install` puts where, checked in a staging folder (no root needed):
# the file layout, the library's SONAME and exports, no RPATH and no build-folder
# path in any installed file, the programs' versions, the desktop entry and
# AppStream file validators, the pkg-config file (a C program is built and run
# against it) and the bash completion.
#   install_files_test.sh BUILD_DIR SOURCE_DIR VERSION APP_ID LIBDIR
set -uo pipefail
build=$1 source=$2 version=$3 app_id=$4 libdir=$5

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
need() {
    command -v "$1" >/dev/null || {
        echo "FAIL: $1 is missing (package $2; scripts/setup.sh packages installs it)" >&2
        exit 1
    }
}
need desktop-file-validate desktop-file-utils
need appstreamcli appstream
need readelf binutils
need nm binutils
need pkg-config pkg-config
need cc gcc
[ -r /usr/share/bash-completion/bash_completion ] || {
    echo "FAIL: /usr/share/bash-completion/bash_completion is missing (package bash-completion)" >&2
    exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-install-files.XXXXXX")
trap 'rm -rf "$work"' EXIT
stage=$work/stage
usr=$stage/usr

# Stripped, as the package has them (debug information names the build folder).
if ! DESTDIR=$stage cmake --install "$build" --prefix /usr --strip >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    fail "cmake --install failed"
    exit 1
fi

echo "== layout"
layout=(
    bin/quorvex bin/quorvex-cli bin/r70sim
    "$libdir/libR70COM32.so.$version" "$libdir/libR70COM32.so.0" "$libdir/libR70COM32.so"
    "$libdir/pkgconfig/r70com32.pc" include/r70com32.h
    "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$app_id.svg"
    share/man/man1/quorvex.1.gz share/man/man1/quorvex-cli.1.gz share/man/man1/r70sim.1.gz
    share/bash-completion/completions/quorvex-cli
    lib/udev/rules.d/70-quorvex.rules
    share/doc/quorvex/copyright share/doc/quorvex/changelog.Debian.gz
)
for f in "${layout[@]}"; do
    [ -e "$usr/$f" ] || fail "not installed: /usr/$f"
done
(cd "$stage" && find . -type f -o -type l | sort) >"$work/files"
while read -r f; do
    found=0
    for e in "${layout[@]}"; do [ "$f" = "./usr/$e" ] && found=1; done
    [ $found = 1 ] || fail "installed but not expected: ${f#.}"
done <"$work/files"

echo "== library and programs"
soname=$(readelf -d "$usr/$libdir/libR70COM32.so.$version" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = libR70COM32.so.0 ] || fail "SONAME is '$soname', not libR70COM32.so.0"
[ "$(readlink "$usr/$libdir/libR70COM32.so")" = libR70COM32.so.0 ] || fail "libR70COM32.so does not link to the SONAME"
# The library exports its D_ functions and nothing else (driver/api/exports.list).
exported=$(nm -D --defined-only "$usr/$libdir/libR70COM32.so.$version" | awk '{print $3}' | sort | tr '\n' ' ')
listed=$(awk '/^D_/ {print $1}' "$source/driver/api/exports.list" | sort | tr '\n' ' ')
[ "$exported" = "$listed" ] || fail "libR70COM32.so exports '$exported', not the list '$listed'"
for f in "$usr"/bin/* "$usr/$libdir/libR70COM32.so.$version"; do
    if readelf -d "$f" | grep -Eq '\((RPATH|RUNPATH)\)'; then
        fail "${f#"$stage"} has an RPATH: $(readelf -d "$f" | grep -E 'RPATH|RUNPATH')"
    fi
done
# Nothing installed may name the build or source folder: the programs find their
# pictures and texts inside themselves.
for dir in "$(realpath "$build")" "$(realpath "$source")"; do
    if grep -rlaF "$dir" "$stage" >"$work/leaks"; then
        fail "installed files name $dir: $(tr '\n' ' ' <"$work/leaks")"
    fi
done
# From another folder, with only the staged library: each program's own --version.
for program in quorvex quorvex-cli r70sim; do
    got=$(cd "$work" && env -i PATH=/usr/bin:/bin LD_LIBRARY_PATH="$usr/$libdir" \
        "$usr/bin/$program" --version 2>&1)
    [ "$got" = "$program $version" ] || fail "$program --version says '$got', the project is $version"
done
# Pages that name a version name the project's.
for page in "$usr"/share/man/man1/*.gz; do
    th=$(zcat "$page" | grep -m1 '^\.TH')
    if [[ $th =~ [0-9]+\.[0-9]+\.[0-9]+ ]] && [ "${BASH_REMATCH[0]}" != "$version" ]; then
        fail "$(basename "$page") names version ${BASH_REMATCH[0]}: $th"
    fi
done

echo "== desktop entry and AppStream"
desktop=$usr/share/applications/$app_id.desktop
metainfo=$usr/share/metainfo/$app_id.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli validate $metainfo"
[ "$(sed -n 's/^Icon=//p' "$desktop")" = "$app_id" ] || fail "the desktop entry's Icon is not $app_id"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$usr/bin/$exec_program" ] || fail "the desktop entry starts '$exec_program', which is not installed"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    fail "the AppStream file does not launch $app_id.desktop"
newest=$(grep -m1 -o '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
[ "$newest" = "$version" ] || fail "the AppStream file's newest release is '$newest', not $version"
while read -r shot; do
    [ -f "$source/$shot" ] || fail "the AppStream file shows $shot, which does not exist"
done < <(grep -o 'docs/screenshots/[^<]*' "$metainfo")

echo "== pkg-config: a program of someone else's"
flags=$(PKG_CONFIG_SYSROOT_DIR=$stage PKG_CONFIG_LIBDIR=$usr/$libdir/pkgconfig \
    pkg-config --cflags --libs r70com32) || fail "pkg-config r70com32"
[ "$(PKG_CONFIG_LIBDIR=$usr/$libdir/pkgconfig pkg-config --modversion r70com32)" = "$version" ] ||
    fail "r70com32.pc does not give version $version"
# shellcheck disable=SC2086 # the flags are words
if cc -std=c11 -Wall -Wextra -Werror -o "$work/driver_client" \
    "$source/packaging/tests/driver_client.c" $flags; then
    # With every COM name mapped to nothing, the search ends at once: "no device".
    got=$(env R70COM_PORTS='COM1=;COM2=;COM3=;COM4=;COM5=;COM6=;COM7=;COM8=' \
        LD_LIBRARY_PATH="$usr/$libdir" "$work/driver_client")
    [ "$got" = "no device" ] || fail "the client built from r70com32.pc printed '$got'"
else
    fail "a C program does not build with $flags"
fi

echo "== bash completion"
completion() { # words of the command line ... -> the completions of the last one
    # shellcheck disable=SC2016 # the script is expanded by the inner bash
    env -i PATH="$usr/bin:/usr/bin:/bin" LD_LIBRARY_PATH="$usr/$libdir" bash -c '
        source /usr/share/bash-completion/bash_completion
        source "$0"
        compopt() { :; } # outside a real completion it only complains
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _quorvex_cli quorvex-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' \
        "$usr/share/bash-completion/completions/quorvex-cli" "$@"
}
check_completion() { # expected -- words...
    local expected=$1
    shift 2
    local got
    got=$(completion "$@")
    [ "$got" = "$expected" ] || fail "completing '$*' gives '$got', not '$expected'"
}
check_completion "clear-charges clear-log " -- quorvex-cli cle
check_completion "identify " -- quorvex-cli iden
check_completion "21 22 " -- quorvex-cli log 2
check_completion "incoming " -- quorvex-cli clear-log 21 inc
check_completion "de en " -- quorvex-cli identify --lang ""
check_completion "COM3= " -- quorvex-cli identify --port COM3
check_completion "SET_DIV SHORTDIAL_DIV " -- quorvex-cli get S

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all install checks passed"
