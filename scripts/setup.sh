#!/usr/bin/env bash
# Installs what the build and the tests need (Debian 12, as root), then
# configures and builds the given build directory.
#   scripts/setup.sh packages            install missing packages only
#   scripts/setup.sh build DIR [ARGS...] configure DIR with ARGS and build it
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev
          qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
          nlohmann-json3-dev xvfb xauth clang libclang-rt-dev ser2net
          # the network tests' own namespaces (ip link, veth)
          iproute2
          # GNOME's Adwaita styles for Qt: the contrast test reads every page in them
          adwaita-qt6
          # a Wayland desktop for the placement test (a headless Weston, Qt's
          # Wayland platform) and the accessibility bus a screen reader reads
          # (at-spi2-core's registry on D-Bus, read by pyatspi, with a window
          # manager that gives the program the keyboard as a desktop does)
          weston qt6-wayland dbus at-spi2-core python3-pyatspi matchbox-window-manager
          # the Debian package and its checks (cpack -G DEB, label "package")
          dpkg-dev file desktop-file-utils appstream lintian bash-completion)
# The Windows forms and their tests under Wine (scripts/windows.sh), without
# recommends: Wine's recommends are fonts, sound and graphics we never use, but
# for fonts-wine, the fonts of a Windows Fonts folder, Marlett among them, with
# which Wine draws the buttons of the desktop program's window frames
# (scripts/windows.sh copies them into its prefix; without them the buttons
# show letters).
# wine32 (from the i386 architecture) runs the 32-bit DLL; it is installed only
# where this machine can start 32-bit programs at all (scripts/runs_32bit.sh):
# elsewhere it would be minutes spent for nothing, and one more package index
# that can fail.
# wixl makes the desktop program's installer (an MSI), msitools' msiinfo reads it.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 fonts-wine wixl msitools)
WINE32_PACKAGES=(wine32:i386)

missing_of() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
    done
}

# A mirror that is syncing answers one index with the wrong size for a while
# ("Mirror sync in progress?"): try again, and go on with what is there when
# it persists; the installs that follow say whether anything is really missing.
apt_update() {
    local try
    for try in 1 2 3; do
        apt-get update -qq && return 0
        echo "apt-get update failed (try $try of 3)" >&2
        [ "$try" -lt 3 ] && sleep $((try * 10))
    done
    echo "warning: the package indexes could not all be updated; going on with those there are" >&2
}

install_packages() {
    local missing windows wine32=() runs32
    mapfile -t missing < <(missing_of "${PACKAGES[@]}")
    mapfile -t windows < <(missing_of "${WINDOWS_PACKAGES[@]}")
    if [ ${#missing[@]} -eq 0 ] && [ ${#windows[@]} -eq 0 ]; then
        # binutils comes with g++: now the 32-bit question can be asked.
        if runs32=$(scripts/runs_32bit.sh); then
            mapfile -t wine32 < <(missing_of "${WINE32_PACKAGES[@]}")
        fi
        [ ${#wine32[@]} -eq 0 ] && return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        if [ ${#missing[@]} -gt 0 ]; then
            echo "Missing packages: ${missing[*]}" >&2
            echo "Run as root, or install them with: sudo apt-get install -y ${missing[*]}" >&2
            exit 1
        fi
        echo "Not installed (the Windows check skips what needs them): ${windows[*]} ${wine32[*]}" >&2
        return 0
    fi
    export DEBIAN_FRONTEND=noninteractive
    if [ ${#missing[@]} -gt 0 ] || [ ${#windows[@]} -gt 0 ]; then
        apt_update
        if [ ${#missing[@]} -gt 0 ]; then
            echo "Installing: ${missing[*]}"
            apt-get install -y -qq "${missing[@]}" >/dev/null
        fi
        if [ ${#windows[@]} -gt 0 ]; then
            echo "Installing: ${windows[*]}"
            apt-get install -y -qq --no-install-recommends "${windows[@]}" >/dev/null ||
                echo "warning: ${windows[*]} could not be installed: the Windows check is skipped" >&2
        fi
    fi
    if ! runs32=$(scripts/runs_32bit.sh); then
        echo "Not installing ${WINE32_PACKAGES[*]}: $runs32"
        return 0
    fi
    mapfile -t wine32 < <(missing_of "${WINE32_PACKAGES[@]}")
    [ ${#wine32[@]} -eq 0 ] && return 0
    echo "Installing: ${wine32[*]}"
    local added=0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
        added=1
    fi
    apt_update
    if ! apt-get install -y -qq --no-install-recommends "${wine32[@]}" >/dev/null; then
        echo "warning: ${wine32[*]} could not be installed: the 32-bit Wine runs are skipped" >&2
        # An architecture added for nothing is one more index for every update.
        [ $added = 1 ] && dpkg --remove-architecture i386 2>/dev/null
    fi
    return 0
}

build_dir() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}

case "${1:-packages}" in
    packages) install_packages ;;
    build) shift; install_packages; build_dir "$@" ;;
    *) echo "usage: $0 packages | build DIR [CMAKE ARGS]" >&2; exit 2 ;;
esac
