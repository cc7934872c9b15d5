#!/usr/bin/env bash
# Runs tools/check_docs.sh on a small tree of its own: it passes the tree as
# it is, and fails, naming the file and line, for each fault put into it.
set -uo pipefail
check=$(cd "$(dirname "$0")" && pwd)/check_docs.sh
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT

tree() { # a tree the check passes
    rm -rf "$work/t" && mkdir -p "$work/t/driver/api" "$work/t/docs" && cd "$work/t" || exit 2
    echo 'set(CMAKE_CXX_STANDARD 20)' >CMakeLists.txt
    printf '# name ordinal bytes\nD_Send 2 8\n' >driver/api/exports.list
    echo '/* D_Send */' >driver/api/r70com32.h
    touch driver/line.h driver/line.cpp
    printf '# Tree\n\nIn C++20: `D_Send` (`driver/line.{h,cpp}`), [notes](docs/x.md),\n`/dev/ttyUSB0`, `build/bin/x`, `~/.config`, `*_widget.h`, `COMn`.\n' >README.md
    printf '# X\n\n`driver/line.h/.cpp`, `line.cpp`, `./driver/`, [back](../README.md).\n' >docs/x.md
}

failures=0
tree
"$check" "$work/t" >/dev/null 2>"$work/err" || { failures=1; echo "check_docs_test: a sound tree fails:" >&2; cat "$work/err" >&2; }

# file | sed expression that breaks it | what the finding must say
while IFS='|' read -r file edit expect; do
    tree
    sed -i "$edit" "$file"
    if "$check" "$work/t" >/dev/null 2>"$work/err" || ! grep -qF -- "$expect" "$work/err"; then
        echo "check_docs_test: '$edit' in $file: no finding \"$expect\"; it said:" >&2
        cat "$work/err" >&2
        failures=$((failures + 1))
    fi
done <<'EOF'
README.md|s#driver/line.{h,cpp}#driver/line.{h,cc}#|README.md:3: driver/line.cc does not exist
README.md|s#docs/x.md#docs/y.md#|README.md:3: link to docs/y.md
docs/x.md|s#line.cpp`#gone_test.cpp`#|docs/x.md:3: no file is named gone_test.cpp
docs/x.md|s#driver/line.h/.cpp#driver/lines.h/.cpp#|docs/x.md:3: driver/lines.h does not exist
docs/x.md|s#line.cpp`#line_test`#|docs/x.md:3: no test or benchmark is named line_test
README.md|s#`D_Send`#the entry point#|exports D_Send, which README.md does not name
README.md|s#C++20#C++17#|README.md:3: states C++17
EOF

[ "$failures" -eq 0 ] && echo "check_docs_test: the check finds every fault put in"
exit "$((failures > 0))"
