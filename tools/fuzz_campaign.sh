#!/usr/bin/env bash
# Long fuzz runs: every harness (or the ones named) for SECONDS each, JOBS at a
# time, each into a scratch copy of its committed corpus. Afterwards the inputs
# that reached new coverage are merged back into tests/fuzz/corpus/<harness>/
# (only files up to 4 KiB, so the corpus stays small) and one line per harness
# gives its executions, coverage and findings. Crashes are kept in
# build-fuzz/campaign/<harness>/ as crash-*, leak-*, timeout-* or oom-*.
#
#   tools/fuzz_campaign.sh [--seconds 600] [--jobs 2] [--no-merge] [harness...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=600
jobs=2
merge=1
names=()
while (($#)); do
    case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --jobs) jobs="$2"; shift 2 ;;
    --no-merge) merge=0; shift ;;
    -h | --help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "unknown option: $1" >&2; exit 2 ;;
    *) names+=("$1"); shift ;;
    esac
done

if ((${#names[@]} == 0)); then
    # The harness list of tests/fuzz/harnesses.cmake ("name:library" per line).
    mapfile -t names < <(sed -n 's/^ *\([a-z_]*\):[a-z0-9_+]*)\{0,1\}$/\1/p' tests/fuzz/harnesses.cmake)
fi

if [[ ! -f build-fuzz/build.ninja ]]; then
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUORVEX_FUZZ=ON -DQUORVEX_GUI=OFF -DQUORVEX_TESTS=OFF >/dev/null
fi
cmake --build build-fuzz --target "${names[@]/#/fuzz_}" >/dev/null

out=build-fuzz/campaign
mkdir -p "$out"

run_one() {
    local name=$1 dir=$out/$1
    rm -rf "$dir" && mkdir -p "$dir/corpus"
    cp tests/fuzz/corpus/"$name"/* "$dir/corpus/"
    # -max_len keeps new inputs small; the firmware harness pads short inputs itself.
    (cd "$dir" && nice -n 19 ../../tests/fuzz/fuzz_"$name" -max_total_time="$seconds" \
        -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 corpus \
        >run.log 2>&1) || true
}

running=0
for name in "${names[@]}"; do
    run_one "$name" &
    running=$((running + 1))
    if ((running >= jobs)); then
        wait -n || true
        running=$((running - 1))
    fi
done
wait

printf '%-20s %14s %8s %8s %s\n' harness executions cov ft findings
for name in "${names[@]}"; do
    dir=$out/$name
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/run.log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$dir/run.log" | tail -1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$dir/run.log" | tail -1 | cut -d' ' -f2)
    findings=$(find "$dir" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
        -o -name 'oom-*' \) | wc -l)
    printf '%-20s %14s %8s %8s %s\n' "$name" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$findings"
    if ((merge)) && ((findings == 0)); then
        mkdir -p "$dir/small"
        find "$dir/corpus" -type f -size -4097c -exec cp {} "$dir/small/" \;
        build-fuzz/tests/fuzz/fuzz_"$name" -merge=1 tests/fuzz/corpus/"$name" "$dir/small" \
            >"$dir/merge.log" 2>&1 || echo "  merge failed, see $dir/merge.log"
    fi
done
