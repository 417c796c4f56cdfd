#!/usr/bin/env bash
# The history of 1,000 pages x 10 versions of 20 KB: disk used, and the times of "sitevigil-cli
# history" and "sitevigil-cli diff --from", the latter beside GNU diff over the same two files in the
# same run.
#
#   bench/history_bench.sh [--pages N] [--runs R] [--build DIR] [--tmp DIR]
#
# The pages get 12 versions each through the rotation the checks use, so that 10 end in the history
# beside the previous and the current copy. Times are the mean wall time of R runs of each command
# (a whole process each: start, list load, work). Needs GNU diff and du. No network.
set -euo pipefail

PAGES=1000
RUNS=20
TMP_ROOT=/tmp
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
BUILD="$HERE/../build"
while [[ $# -gt 0 ]]; do
    case "$1" in
    --pages) PAGES="$2"; shift 2 ;;
    --runs) RUNS="$2"; shift 2 ;;
    --build) BUILD="$2"; shift 2 ;;
    --tmp) TMP_ROOT="$2"; shift 2 ;;
    *) echo "usage: $0 [--pages N] [--runs R] [--build DIR] [--tmp DIR]" >&2; exit 2 ;;
    esac
done
CLI="$BUILD/src/cli/sitevigil-cli"
FILL="$BUILD/bench/bench_history_fill"
for tool in "$CLI" "$FILL"; do
    [[ -x "$tool" ]] || { echo "missing $tool: build first" >&2; exit 2; }
done

WORK="$(mktemp -d "$TMP_ROOT/history-bench-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
export SITEVIGIL_CONFIG_DIR="$WORK/config" XDG_DATA_HOME="$WORK/data"
mkdir -p "$SITEVIGIL_CONFIG_DIR" "$XDG_DATA_HOME/site-vigil"
STORE="$XDG_DATA_HOME/site-vigil"

"$FILL" "$PAGES" 12 20480

pages_kb=$(du -sk "$STORE/savedPages" | cut -f1)
history_kb=$(du -skc "$STORE"/savedPages/*/ | tail -1 | cut -f1)
history_bytes=$(du -sbc "$STORE"/savedPages/*/ | tail -1 | cut -f1)
versions=$(ls "$STORE"/savedPages/*/*.gz | wc -l)
raw_kb=$((versions * 20))
echo "disk: savedPages ${pages_kb} KB in all; history ${history_kb} KB for ${versions} versions" \
    "(${raw_kb} KB unpacked, $((history_kb * 100 / (raw_kb > 0 ? raw_kb : 1)))%); their bytes: $((history_bytes / 1024)) KB"

# Mean milliseconds of R runs of the command.
mean_ms() {
    local start end
    start=$(date +%s%N)
    for ((i = 0; i < RUNS; i++)); do "$@" > /dev/null; done
    end=$(date +%s%N)
    echo $(((end - start) / RUNS / 1000000)).$((((end - start) / RUNS / 10000) % 100))
}

echo "baseline, sitevigil-cli list of the ${PAGES} pages: $(mean_ms "$CLI" list) ms"
page="@$(ls "$STORE/savedPages" | grep -v '\.' | sort -n | sed -n "$((PAGES / 2))p")"
echo "history $page: $(mean_ms "$CLI" history "$page") ms"
echo "history $page --json: $(mean_ms "$CLI" history "$page" --json) ms"
echo "diff $page --from 1 --text (oldest against current): $(mean_ms "$CLI" diff "$page" --from 1 --text) ms"
echo "diff $page --from 1 --to 10 (HTML report): $(mean_ms "$CLI" diff "$page" --from 1 --to 10) ms"
# The same two versions as files, as the diff above unpacked them, for GNU diff.
"$CLI" diff "$page" --from 1 --to 10 --text > /dev/null
folder="$STORE/savedPages/${page#@}"
gnu() { diff -u "$folder/1.html" "$folder/10.html" || true; }
echo "GNU diff -u of versions 1 and 10: $(mean_ms gnu) ms"
echo "sitevigil-cli diff --from 1 --to 10 --text: $(mean_ms "$CLI" diff "$page" --from 1 --to 10 --text) ms"
