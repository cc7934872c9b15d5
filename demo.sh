#!/usr/bin/env bash
# Installs what is missing, builds, starts a simulated R70 on a pseudo-terminal
# mapped to COM3, and runs the program against it.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup.sh build build

if [ ! -x build/bin/r70sim ]; then
    echo
    echo "Built build/lib/libR70COM32.so and build/bin/quorvex-cli."
    echo "The simulated device (build/bin/r70sim) is not part of this version yet:"
    echo "once it is, this script starts a simulated R70 on COM3 and the program against it."
    exit 0
fi
