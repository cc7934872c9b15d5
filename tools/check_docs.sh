#!/usr/bin/env bash
# Fails when the docs name what the repository does not have:
#
# - a path in README.md or docs/*.md that does not exist. A path is a word
#   whose first part is one of the repository's own top-level entries
#   (`driver/line/serial_line.cpp`, `docs/cli.md`, `tests/e2e/`, `./test.sh`;
#   `driver/x.h/.cpp` and `driver/x.{h,cpp}` name both files), a bare file
#   name with a source ending (`dispatch.cpp`) or a test's or benchmark's
#   name (`lost_bench`), which must be somewhere in the tree or its CMake
#   lists, or a Markdown link's target (relative to the file that links it).
#   Not paths: absolute and home paths (`/dev/ttyUSB0`, `~/.config`), Windows
#   and URL forms, words with globs or placeholders (`*_widget.h`, `COMn`,
#   `…`), and what the build writes (`build/bin/quorvex`, see below);
# - an export of driver/api/exports.list that driver/api/r70com32.h or README.md does
#   not name;
# - a C++ standard (`C++17`) other than the one CMakeLists.txt sets.
#
# Usage: tools/check_docs.sh [ROOT] (ROOT defaults to this repository).
set -uo pipefail
cd "${1:-$(dirname "$0")/..}" || exit 2

failures=0

tree=$(mktemp) && targets=$(mktemp) || exit 2
trap 'rm -f "$tree" "$targets"' EXIT

# Every file and folder of the tree, without .git and the build trees.
find . \( -path ./.git -o -path './build*' \) -prune -o -printf '%P\n' >"$tree" || exit 2

# The names of tests and benchmarks: their sources and the CMake lists.
{
    sed -n 's#.*/##; s/\.\(cpp\|sh\)$//p' "$tree"
    grep -rohE '[a-z0-9_]+_(test|bench)' --include='*.cmake' --include=CMakeLists.txt \
        --exclude-dir='build*' --exclude-dir=.git .
} >"$targets"

awk -v tree="$tree" -v targets="$targets" '
BEGIN {
    while ((getline p < tree) > 0) {
        have[p] = 1
        n = split(p, part, "/")
        if (n == 1) top[p] = 1
        base[part[n]] = 1
    }
    while ((getline p < targets) > 0) target[p] = 1
    bad = 0
}
function norm(p,    n, i, k, seg, out) {
    n = split(p, seg, "/"); k = 0
    for (i = 1; i <= n; i++) {
        if (seg[i] == "" || seg[i] == ".") continue
        if (seg[i] == ".." && k > 0) { k--; continue }
        out[++k] = seg[i]
    }
    p = ""
    for (i = 1; i <= k; i++) p = p (i > 1 ? "/" : "") out[i]
    return p
}
function exists(p) { return norm(p) in have }
function finding(msg) { print "docs: " FILENAME ":" FNR ": " msg > "/dev/stderr"; bad++ }
function skip(w) {
    return w ~ /^[\/~]/ || w ~ /:\/\// || w ~ /[\\$%*?\[\]{}<>]/ || w ~ /…|\.\.\.|COMn|XXXX/
}
function path(w,    stem, pre, alt, post, n, i) {
    sub(/^\.\//, "", w); sub(/#.*/, "", w)
    if (match(w, /\{[^{}]*,[^{}]*\}/)) { # x.{h,cpp}: each of them
        pre = substr(w, 1, RSTART - 1); post = substr(w, RSTART + RLENGTH)
        n = split(substr(w, RSTART + 1, RLENGTH - 2), alt, ",")
        for (i = 1; i <= n; i++) path(pre alt[i] post)
        return
    }
    if (w ~ /,/) { # a,b
        n = split(w, alt, ",")
        for (i = 1; i <= n; i++) path(alt[i])
        return
    }
    if (w == "" || skip(w)) return
    # What the build writes (build/bin/quorvex, build-win64/, ...): only the
    # build trees hold generated files, and the docs name them freely.
    if (w ~ /^build[^\/]*\//) return
    if (w ~ /\//) {
        if (!(substr(w, 1, index(w, "/") - 1) in top)) return
        if (w ~ /\.h\/\.cpp$/) {
            stem = substr(w, 1, length(w) - 7)
            if (!exists(stem ".h")) finding(stem ".h does not exist")
            if (!exists(stem ".cpp")) finding(stem ".cpp does not exist")
        } else if (!exists(w)) finding(w " does not exist")
    } else if (w ~ /^[A-Za-z0-9_.-]+\.(cpp|h|md|sh|cmake)$/ && !(w in base))
        finding("no file is named " w)
    else if (w ~ /^[a-z0-9_]+_(test|bench)$/ && !(w in target))
        finding("no test or benchmark is named " w)
}
FNR == 1 { dir = FILENAME; sub(/[^\/]*$/, "", dir) }
{
    line = $0
    # Markdown links: ](target), relative to the linking file.
    while (match(line, /\]\([^) ]+\)/)) {
        t = substr(line, RSTART + 2, RLENGTH - 3)
        line = substr(line, 1, RSTART - 1) " " substr(line, RSTART + RLENGTH)
        sub(/#.*/, "", t)
        if (t != "" && t !~ /^[a-z]+:/ && !exists(dir t) && !exists(t))
            finding("link to " t ", which does not exist")
    }
    # Every other word, split at blanks, code marks, brackets, quotes and
    # commas (a comma without a blank after it stays, as in `x.{h,cpp}`).
    gsub(/,([ \t]|$)/, " ", line)
    gsub(/[`"'"'"'();|=]/, " ", line)
    n = split(line, word, /[ \t]+/)
    for (i = 1; i <= n; i++) {
        w = word[i]
        sub(/[.:]+$/, "", w); sub(/:[0-9]+$/, "", w)
        path(w)
    }
}
END { exit bad > 0 }
' README.md docs/*.md || failures=$((failures + 1))

while read -r name _; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    for doc in driver/api/r70com32.h README.md; do
        grep -qw -- "$name" "$doc" || {
            echo "docs: driver/api/exports.list exports $name, which $doc does not name" >&2
            failures=$((failures + 1))
        }
    done
done <driver/api/exports.list

# The C++ standard the docs state is the one the build asks for.
standard=$(sed -n 's/^set(CMAKE_CXX_STANDARD \([0-9]*\)).*/\1/p' CMakeLists.txt)
while IFS=: read -r file line said; do
    [ "$said" == "C++$standard" ] || {
        echo "docs: $file:$line: states $said, but CMakeLists.txt builds C++$standard" >&2
        failures=$((failures + 1))
    }
done < <(grep -noE 'C\+\+[0-9]{2}' README.md docs/*.md)

if [ "$failures" -gt 0 ]; then
    echo "docs: the docs and the tree disagree (above)" >&2
    exit 1
fi
echo "docs: every path named exists, every export is named, one C++ standard"
