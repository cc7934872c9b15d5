#!/usr/bin/env bash
# Fails when a source's name does not say which it is:
#
# - a C++ file name (.cpp, .h) that is in the tree twice, but for main.cpp,
#   which each program (app, cli, sim) starts from;
# - a test (tests/**/NAME_test.cpp) named after no source: NAME is a source
#   file's name without its ending (catalogue_test.cpp), or one with a
#   word for what the test looks at (device_check_sim_test.cpp), or a folder's
#   last name with such a word, for the tests that walk a whole folder's
#   widgets (data_pages_test.cpp for pages/data).
#
# Usage: tools/check_names.sh
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2

failures=0
fail() {
    echo "names: $1" >&2
    failures=$((failures + 1))
}

files=$(git ls-files '*.cpp' '*.h')
while read -r twice; do
    [ -n "$twice" ] && [ "$twice" != main.cpp ] && fail "$twice is in the tree more than once"
done < <(echo "$files" | sed 's#.*/##' | sort | uniq -d)

# The names a test may take after: sources without their ending, and folders.
names=$( {
    echo "$files" | grep -v '^tests/' | sed 's#.*/##; s/\.\(cpp\|h\)$//'
    echo "$files" | grep -v '^tests/' | grep / | sed 's#/[^/]*$##; s#.*/##'
} | sort -u)

while read -r test; do
    base=${test##*/}
    base=${base%_test.cpp}
    found=
    while read -r name; do
        case "$base" in "$name" | "$name"_*) found=1 && break ;; esac
    done <<<"$names"
    [ -n "$found" ] || fail "$test is named after no source file or folder"
done < <(echo "$files" | grep -E '^tests/.*_test\.cpp$')

if [ "$failures" -gt 0 ]; then
    echo "names: $failures name(s) say too little" >&2
    exit 1
fi
echo "names: every file name is once in the tree, every test after its source"
