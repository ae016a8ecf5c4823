#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a while (default 20 s)
# on a copy of its seed corpus; any crash or sanitizer report fails the run.
# QUILLET_FUZZ_KEEP_GOING=1 keeps a long run going past its findings, each
# kept as an artifact in build-fuzz/.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true

QUILLET_SETUP_EXTRAS="clang libclang-rt-14-dev" scripts/setup.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DQUILLET_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null

keep_going=()
[ -z "${QUILLET_FUZZ_KEEP_GOING:-}" ] || keep_going=(-fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=($(ls fuzz/Fuzz*.cpp | xargs -n1 basename | sed 's/\.cpp$//'))
for target in "${targets[@]}"; do
    # A copy of the corpus, and a TMPDIR for the files a target writes per input.
    work=$(mktemp -d)
    mkdir "$work/corpus" "$work/tmp"
    cp -r "fuzz/corpus/$target/." "$work/corpus/"
    echo "== $target: ${seconds}s"
    TMPDIR=$work/tmp build-fuzz/"$target" "${keep_going[@]}" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix=build-fuzz/"$target"- "$work/corpus" 2>&1 \
        | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY|#[0-9]+ *DONE|#[0-9]+: cov)' || true
    rm -rf "$work"
    if ls build-fuzz/"$target"-* >/dev/null 2>&1; then
        echo "$target found a failing input: $(ls build-fuzz/"$target"-*)" >&2
        exit 1
    fi
done
