#!/usr/bin/env bash
# Compares "sitevigil-cli check" with curl and urlwatch on the same pages served by a local nginx.
#
#   bench/run_bench.sh [--pages N] [--runs R] [--cli PATH] [--tmp DIR] [--skip-peers]
#
# Each tool checks the N pages twice: the first pass fills its cache (for Site Vigil the stored
# checksums and saved copies), the measured passes then compare against it. Reported: wall time and
# peak resident memory (/usr/bin/time -v) of the median measured pass. Site Vigil runs with 20
# workers (numThreads 19), "Save page to disk" on and "Exact content" watched; curl with
# --parallel-max 20 writing every page to a file; urlwatch with its own thread pool.
# --tmp DIR puts every file (pages, settings, saved copies, caches) under DIR instead of /tmp, for
# instance a tmpfs such as /dev/shm to take the disk out of the comparison.
# Needs nginx (nginx-light), curl, urlwatch and time. Nothing leaves the loopback interface.
set -euo pipefail

PAGES=1000
RUNS=3
PAGE_BYTES=20480
SKIP_PEERS=0
TMP_ROOT=/tmp
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
CLI=""
while [[ $# -gt 0 ]]; do
    case "$1" in
    --pages) PAGES="$2"; shift 2 ;;
    --runs) RUNS="$2"; shift 2 ;;
    --cli) CLI="$2"; shift 2 ;;
    --tmp) TMP_ROOT="$2"; shift 2 ;;
    --skip-peers) SKIP_PEERS=1; shift ;;
    *) echo "usage: $0 [--pages N] [--runs R] [--cli PATH] [--tmp DIR] [--skip-peers]" >&2; exit 2 ;;
    esac
done
if [[ -z "$CLI" ]]; then
    for candidate in "$HERE"/../build*/src/cli/sitevigil-cli; do
        [[ -x "$candidate" ]] && CLI="$candidate" && break
    done
fi
[[ -x "$CLI" ]] || { echo "sitevigil-cli not found; build it or pass --cli PATH" >&2; exit 2; }
for tool in nginx curl /usr/bin/time python3; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done
if [[ $SKIP_PEERS -eq 0 ]] && ! command -v urlwatch >/dev/null; then
    echo "missing: urlwatch (or pass --skip-peers)" >&2
    exit 2
fi

# shellcheck source=bench/local_pages.sh
source "$(dirname "${BASH_SOURCE[0]}")/local_pages.sh"
make_work sitevigil-bench

PORT="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
BASE="http://127.0.0.1:$PORT"

echo "== $PAGES pages of $PAGE_BYTES bytes on $BASE, files in $WORK, $(nproc) cores, load $(cut -d" " -f1-3 /proc/loadavg)"

make_pages "$WORK/www" "$PAGES" "$PAGE_BYTES"
start_nginx "$PORT" "$WORK/www"

# ---- measuring ----
# measure NAME COMMAND...: runs it under /usr/bin/time -v, prints and records seconds and peak KB.
declare -A SECONDS_OF PEAK_OF
measure() {
    local name="$1"; shift
    local report="$WORK/time-$name.txt"
    local status=0
    /usr/bin/time -v -o "$report" "$@" >"$WORK/out-$name.txt" 2>"$WORK/err-$name.txt" || status=$?
    local wall peak
    wall="$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$report")"
    peak="$(awk -F': ' '/Maximum resident set size/ {print $2}' "$report")"
    # h:mm:ss or m:ss.ss to seconds
    wall="$(python3 -c 'import sys; p=[float(x) for x in sys.argv[1].split(":")]; print(f"{sum(v*60**i for i,v in enumerate(reversed(p))):.2f}")' "$wall")"
    printf '  %-22s %8ss  peak %7.1f MB  exit %d\n' "$name" "$wall" "$(awk -v kb="$peak" 'BEGIN {print kb / 1024}')" "$status"
    SECONDS_OF[$name]="$wall"
    PEAK_OF[$name]="$peak"
}
# median NAME R: the median of the measured passes NAME-1 .. NAME-R
median() {
    local name="$1" runs="$2" values=() peaks=()
    for i in $(seq 1 "$runs"); do
        values+=("${SECONDS_OF[$name-$i]}")
        peaks+=("${PEAK_OF[$name-$i]}")
    done
    SECONDS_OF[$name]="$(printf '%s\n' "${values[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')"
    PEAK_OF[$name]="$(printf '%s\n' "${peaks[@]}" | sort -g | tail -1)"
}

# ---- Site Vigil ----
export SITEVIGIL_CONFIG_DIR="$WORK/sitevigil/config"
export XDG_CONFIG_HOME="$WORK/sitevigil/xdg-config"
export XDG_DATA_HOME="$WORK/sitevigil/data"
"$CLI" config set numThreads 19 >/dev/null
# Workers at normal priority, like the peers (the default runs them at nice 10).
"$CLI" config set threadPriority 2 >/dev/null
"$CLI" config set showSummary 0 >/dev/null
# CONFIG ("NAME VALUE;NAME VALUE") sets more, e.g. "hostConcurrency 20" for one host's 1,000 pages.
IFS=';' read -ra extra <<<"${CONFIG:-}"
for setting in "${extra[@]}"; do
    # shellcheck disable=SC2086
    [[ -n "$setting" ]] && "$CLI" config set $setting >/dev/null
done
# One page added through the command, the rest copied from its record with the number changed
# (the name and address keep their length, so the record's layout stays the same).
# ADD_OPTIONS (e.g. "--compare page") go to that add, for a comparison with builds that had no options.
# shellcheck disable=SC2086
"$CLI" add "$BASE/p00001.html" --name p00001 --watch content ${ADD_OPTIONS:-} >/dev/null
LIST="$XDG_DATA_HOME/site-vigil/siteVigil.dat"
python3 - "$LIST" "$PAGES" <<'PY'
import struct, sys
path, pages = sys.argv[1], int(sys.argv[2])
data = open(path, "rb").read()
header, count = data[:12], struct.unpack("<i", data[12:16])[0]
assert count == 1, count
record = data[16:]
assert record.count(b"p00001") == 2, "unexpected record layout"
out = [header, struct.pack("<i", pages)]
for i in range(pages, 0, -1):
    out.append(record.replace(b"p00001", b"p%05d" % i))
open(path, "wb").write(b"".join(out))
PY
listed="$("$CLI" list | wc -l)"
[[ "$listed" -eq "$PAGES" ]] || { echo "the list holds $listed pages, not $PAGES" >&2; exit 1; }

echo "Site Vigil ($CLI)"
measure sitevigil-first "$CLI" check
for i in $(seq 1 "$RUNS"); do measure "sitevigil-$i" "$CLI" check; done
median sitevigil "$RUNS"
grep -h "Completed checking" "$WORK/out-sitevigil-$RUNS.txt" | sed 's/^/  /'
failed="$(grep -c 'sitevigil-cli: check:' "$WORK/err-sitevigil-$RUNS.txt" || true)"
[[ "$failed" -eq 0 ]] || { echo "  $failed pages failed:"; head -5 "$WORK/err-sitevigil-$RUNS.txt"; }
saved="$(find "$XDG_DATA_HOME/site-vigil/savedPages" -type f | wc -l)"
echo "  files in savedPages: $saved"

if [[ $SKIP_PEERS -eq 0 ]]; then
    # ---- curl ----
    CURL_CFG="$WORK/curl.cfg"
    mkdir -p "$WORK/curl-out"
    for i in $(seq 1 "$PAGES"); do
        printf 'url = "%s/p%05d.html"\noutput = "%s/curl-out/p%05d.html"\n' "$BASE" "$i" "$WORK" "$i"
    done >"$CURL_CFG"
    echo "curl --parallel --parallel-max 20"
    measure curl-first curl -sS --parallel --parallel-max 20 -K "$CURL_CFG"
    for i in $(seq 1 "$RUNS"); do measure "curl-$i" curl -sS --parallel --parallel-max 20 -K "$CURL_CFG"; done
    median curl "$RUNS"

    # ---- urlwatch ----
    UW="$WORK/urlwatch"
    mkdir -p "$UW/home"
    for i in $(seq 1 "$PAGES"); do
        printf 'name: p%05d\nurl: "%s/p%05d.html"\n---\n' "$i" "$BASE" "$i"
    done >"$UW/urls.yaml"
    cat >"$UW/urlwatch.yaml" <<'YAML'
display:
  new: false
  error: true
  unchanged: false
  empty-diff: false
report:
  stdout:
    enabled: true
    color: false
YAML
    touch "$UW/hooks.py"
    UW_CMD=(env HOME="$UW/home" XDG_CONFIG_HOME="$UW/home" XDG_CACHE_HOME="$UW/home" urlwatch --urls "$UW/urls.yaml"
        --config "$UW/urlwatch.yaml" --hooks "$UW/hooks.py" --cache "$UW/cache.db")
    echo "urlwatch $(urlwatch --version | awk '{print $2}')"
    measure urlwatch-first "${UW_CMD[@]}"
    for i in $(seq 1 "$RUNS"); do measure "urlwatch-$i" "${UW_CMD[@]}"; done
    median urlwatch "$RUNS"
fi

# ---- summary ----
echo "== median of $RUNS measured passes over $PAGES pages"
python3 - "${SECONDS_OF[sitevigil]}" "${PEAK_OF[sitevigil]}" "${SECONDS_OF[curl]:-}" "${SECONDS_OF[urlwatch]:-}" <<'PY'
import sys
sv, peak, curl, uw = float(sys.argv[1]), int(sys.argv[2]) / 1024, sys.argv[3], sys.argv[4]
print(f"  sitevigil-cli check: {sv:.2f} s, peak {peak:.1f} MB")
if curl:
    print(f"  curl:                {float(curl):.2f} s  (sitevigil / curl = {sv / max(float(curl), 0.01):.2f}x)")
if uw:
    print(f"  urlwatch:            {float(uw):.2f} s  (urlwatch / sitevigil = {float(uw) / max(sv, 0.01):.2f}x)")
PY
