#!/usr/bin/env bash
# Runs every fuzz target for N minutes each (default 2) with libFuzzer, starting from its saved
# inputs; new inputs land in build-fuzz/corpus/NAME, crashes in build-fuzz/findings/NAME.
# Needs clang and libclang-rt (apt-get install clang libclang-rt-14-dev).
#
#   scripts/fuzz.sh [MINUTES] [TARGET...]
set -euo pipefail

minutes=${1:-2}
shift || true
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$top/build-fuzz}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(ListFile UpdateLog Html SmtpReply LineDiff)

CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DSITEVIGIL_FUZZ=ON -DSITEVIGIL_GUI=OFF -DSITEVIGIL_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

status=0
for name in "${targets[@]}"; do
    mkdir -p "$build/corpus/$name" "$build/findings/$name"
    echo "== $name: $minutes minute(s)"
    # Inputs over 2 MB teach nothing the smaller ones do not, and slow every run.
    (cd "$build/findings/$name" &&
        "$build/tests/fuzz/fuzz_$name" -max_total_time=$((minutes * 60)) -max_len=2097152 -timeout=10 \
            -rss_limit_mb=2048 "$build/corpus/$name" "$top/tests/fuzz/corpus/$name") || status=1
done
ls "$build"/findings/*/ 2>/dev/null | grep -E "crash|leak|timeout|oom" && echo "findings above; add each to tests/fuzz/corpus/NAME once mended" || true
exit $status
