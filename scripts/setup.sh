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
          # the Debian package and its checks (cpack -G DEB, label "package")
          dpkg-dev file desktop-file-utils appstream lintian bash-completion)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]}" >&2
        echo "Run as root, or install them with: sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}" >/dev/null
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
