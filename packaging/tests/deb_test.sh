#!/usr/bin/env bash
# Makes the Debian package from the build (cpack, into OUT_DIR so that a package the
# user made in the build folder is left alone), checks its control fields and
# Depends, and runs lintian: no errors, and no warnings but the known ones below.
#   deb_test.sh BUILD_DIR OUT_DIR VERSION
set -uo pipefail
build=$1 out=$2 version=$3

# The warnings this package is known to have, each with the reason it stays.
known_warnings=(
    # One package holds the programs and the library, so that
    # `apt-get install ./quorvex_*.deb` is the whole installation; Debian's archive
    # would split off libr70com32-0 and libr70com32-dev.
    package-name-doesnt-match-sonames
    link-to-shared-library-in-wrong-package
    # The package is not uploaded to Debian, so no ITP bug is closed.
    initial-upload-closes-no-bugs
)

for tool in cpack dpkg-deb dpkg-shlibdeps lintian; do
    command -v $tool >/dev/null || {
        echo "FAIL: $tool is missing (scripts/setup.sh packages installs it)" >&2
        exit 1
    }
done

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

rm -rf "$out"
mkdir -p "$out"
echo "== cpack -G DEB"
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log" >&2
    echo "FAIL: cpack" >&2
    exit 1
fi
# Only the package stays in OUT_DIR: the install test takes it from there.
rm -rf "$out/_CPack_Packages"
debs=("$out"/quorvex_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || {
    echo "FAIL: cpack made no quorvex_*.deb:" >&2
    cat "$out/cpack.log" >&2
    exit 1
}
echo "$deb"

echo "== control"
field() { dpkg-deb --field "$deb" "$1"; }
dpkg-deb --info "$deb"
[ "$(field Package)" = quorvex ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version-1" ] || fail "Version is '$(field Version)', not $version-1"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Section)" = comm ] || fail "Section is '$(field Section)'"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
# What dpkg-shlibdeps finds in the programs' ELF needs: C and C++ runtime, Qt's
# Widgets and Svg. Never a -dev package, never the package's own library.
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6; do
    [[ ", $depends," == *", $needed "* ]] || fail "Depends lacks $needed: $depends"
done
[[ $depends == *-dev* ]] && fail "Depends names a -dev package: $depends"
[[ $depends == *[Rr]70[Cc][Oo][Mm]32* ]] && fail "Depends names the package's own library: $depends"
control_files=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t)
[[ $control_files == *./triggers* ]] || fail "no triggers file (ldconfig)"
[[ $(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./postinst) == *"udevadm control --reload-rules"* ]] ||
    fail "postinst does not reload the udev rules"

echo "== lintian"
lintian --fail-on none "$deb" >"$out/lintian.txt" 2>&1
cat "$out/lintian.txt"
if grep -q '^E:' "$out/lintian.txt"; then
    fail "lintian reports errors"
fi
while read -r tag; do
    known=0
    for k in "${known_warnings[@]}"; do [ "$tag" = "$k" ] && known=1; done
    [ $known = 1 ] || fail "lintian warning not known to this test: $tag"
done < <(sed -n 's/^W: [^:]*: \([a-z0-9-]*\).*/\1/p' "$out/lintian.txt" | sort -u)

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package checks passed"
