#!/usr/bin/env bash
# Installs what is missing, checks that no include points up a layer and that
# the docs name only what exists, builds with warnings as errors, and runs
# every test:
# first the sanitizer build (address + undefined behaviour: unit and e2e tests),
# then the normal build (unit, e2e, gui, slow and package tests: the package_install
# test installs the Debian package into this machine and removes it again, as root
# only). Between the builds and the tests, scripts/windows.sh cross-builds the
# Windows forms and tests them under Wine. Ends with ctest's summary.
set -uo pipefail
cd "$(dirname "$0")"

scripts/setup.sh packages || exit 1
export QT_QPA_PLATFORM=offscreen

status=0
# Each step says when it began, so a run's log shows where its time goes.
step() { echo "== $1 (at $((SECONDS / 60)) min $((SECONDS % 60)) s)"; }
step "layers and names: no include points up, every name says which file it is"
tools/check_layers.sh || status=1
tools/check_names.sh || status=1
step "docs: every path named exists, every export is named"
tools/check_docs.sh || status=1
tools/check_docs_test.sh || status=1

step "sanitizer build"
scripts/setup.sh build build-asan -DQUORVEX_SANITIZE=ON -DQUORVEX_GUI=OFF -DQUORVEX_BENCH=OFF || exit 1
step "normal build"
scripts/setup.sh build build || exit 1

step "Windows forms under Wine"
scripts/windows.sh build || status=1

step "sanitizer build: unit and e2e tests"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan -L 'unit|e2e' --output-on-failure -j2 || status=1

step "normal build: all tests"
ctest --test-dir build --output-on-failure -j2 || status=1
step "done"
exit $status
