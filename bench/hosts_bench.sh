#!/usr/bin/env bash
# "sitevigil-cli check" against curl over the same pages spread over several loopback hosts, in one run.
#
#   bench/hosts_bench.sh [--pages N] [--hosts H] [--host-concurrency C] [--no-validators] [--cli PATH] [--tmp DIR]
#
# One nginx listens on 127.0.0.10 .. 127.0.0.(9+H) (same port); page i is served from host i mod H.
# Site Vigil runs with 20 workers, hostConcurrency C, "Save page to disk" on and "Exact content"
# watched; it checks the pages once to fill its copies, then the measured pass. nginx sends ETag and
# Last-Modified, so the measured pass asks back for them and gets 304s; with --no-validators it sends
# neither and ignores If-Modified-Since, so every page comes whole, as it does for curl. curl runs with
# --parallel --parallel-max 20 writing every page to a file. Reported: wall time and peak memory.
#   3,000 pages on 30 hosts, C = 2:   bench/hosts_bench.sh --pages 3000 --hosts 30 --host-concurrency 2
#   10,000 pages on one host, C = 20: bench/hosts_bench.sh --pages 10000 --hosts 1 --host-concurrency 20
set -euo pipefail

PAGES=3000
HOSTS=30
HOST_CONCURRENCY=2
VALIDATORS=1
PAGE_BYTES=20480
TMP_ROOT=/tmp
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
CLI=""
while [[ $# -gt 0 ]]; do
    case "$1" in
    --pages) PAGES="$2"; shift 2 ;;
    --hosts) HOSTS="$2"; shift 2 ;;
    --host-concurrency) HOST_CONCURRENCY="$2"; shift 2 ;;
    --no-validators) VALIDATORS=0; shift ;;
    --cli) CLI="$2"; shift 2 ;;
    --tmp) TMP_ROOT="$2"; shift 2 ;;
    *) echo "usage: $0 [--pages N] [--hosts H] [--host-concurrency C] [--no-validators] [--cli PATH] [--tmp DIR]" >&2; exit 2 ;;
    esac
done
[[ "$HOSTS" -ge 1 && "$HOSTS" -le 90 ]] || { echo "--hosts must be 1 to 90" >&2; exit 2; }
if [[ -z "$CLI" ]]; then
    for candidate in "$HERE"/../build*/src/cli/sitevigil-cli; do
        [[ -x "$candidate" ]] && CLI="$candidate" && break
    done
fi
[[ -x "$CLI" ]] || { echo "sitevigil-cli not found; build it or pass --cli PATH" >&2; exit 2; }
for tool in nginx curl /usr/bin/time python3; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

# shellcheck source=bench/local_pages.sh
source "$(dirname "${BASH_SOURCE[0]}")/local_pages.sh"
make_work sitevigil-hosts

PORT="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
host_of() { echo "127.0.0.$((10 + ($1 % HOSTS)))"; }
echo "== $PAGES pages of $PAGE_BYTES bytes on $HOSTS hosts (port $PORT), hostConcurrency $HOST_CONCURRENCY, validators $VALIDATORS, $(nproc) cores, load $(cut -d" " -f1-3 /proc/loadavg)"

make_pages "$WORK/www" "$PAGES" "$PAGE_BYTES"
start_nginx "$PORT" "$WORK/www"
# The same server on every other host address.
python3 - "$WORK/nginx/nginx.conf" "$PORT" "$HOSTS" "$VALIDATORS" <<'PY'
import sys
path, port, hosts, validators = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4] == "1"
conf = open(path).read()
listen = "".join(f"        listen 127.0.0.{10 + h}:{port};\n" for h in range(hosts))
if not validators:
    listen += "        etag off;\n        if_modified_since off;\n"
conf = conf.replace(f"        listen 127.0.0.1:{port};\n", f"        listen 127.0.0.1:{port};\n" + listen)
open(path, "w").write(conf)
PY
kill -HUP "$NGINX_PID"
for _ in $(seq 1 50); do
    curl -fsS -o /dev/null "http://$(host_of $((HOSTS - 1))):$PORT/p00001.html" 2>/dev/null && break
    sleep 0.1
done

declare -A SECONDS_OF PEAK_OF
measure() {
    local name="$1"; shift
    local report="$WORK/time-$name.txt" status=0 wall peak
    /usr/bin/time -v -o "$report" "$@" >"$WORK/out-$name.txt" 2>"$WORK/err-$name.txt" || status=$?
    wall="$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$report")"
    peak="$(awk -F': ' '/Maximum resident set size/ {print $2}' "$report")"
    wall="$(python3 -c 'import sys; p=[float(x) for x in sys.argv[1].split(":")]; print(f"{sum(v*60**i for i,v in enumerate(reversed(p))):.2f}")' "$wall")"
    printf '  %-22s %8ss  peak %7.1f MB  exit %d\n' "$name" "$wall" "$(awk -v kb="$peak" 'BEGIN {print kb / 1024}')" "$status"
    SECONDS_OF[$name]="$wall"
    PEAK_OF[$name]="$peak"
}

export SITEVIGIL_CONFIG_DIR="$WORK/sitevigil/config"
export XDG_CONFIG_HOME="$WORK/sitevigil/xdg-config"
export XDG_DATA_HOME="$WORK/sitevigil/data"
"$CLI" config set numThreads 19 >/dev/null
"$CLI" config set threadPriority 2 >/dev/null
"$CLI" config set showSummary 0 >/dev/null
"$CLI" config set hostConcurrency "$HOST_CONCURRENCY" >/dev/null
# One record through the command, the rest copied from it with the page number and host changed (all
# host addresses have the same length, so the record's layout stays the same).
"$CLI" add "http://127.0.0.10:$PORT/p00001.html" --name p00001 --watch content >/dev/null
LIST="$XDG_DATA_HOME/site-vigil/siteVigil.dat"
python3 - "$LIST" "$PAGES" "$HOSTS" <<'PY'
import struct, sys
path, pages, hosts = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = open(path, "rb").read()
header, count = data[:12], struct.unpack("<i", data[12:16])[0]
assert count == 1, count
record = data[16:]
assert record.count(b"p00001") == 2 and record.count(b"127.0.0.10:") == 1, "unexpected record layout"
out = [header, struct.pack("<i", pages)]
for i in range(1, pages + 1):
    host = b"127.0.0.%d:" % (10 + i % hosts)
    out.append(record.replace(b"p00001", b"p%05d" % i).replace(b"127.0.0.10:", host))
open(path, "wb").write(b"".join(out))
PY
listed="$("$CLI" list | wc -l)"
[[ "$listed" -eq "$PAGES" ]] || { echo "the list holds $listed pages, not $PAGES" >&2; exit 1; }

CURL_CFG="$WORK/curl.cfg"
mkdir -p "$WORK/curl-out"
for i in $(seq 1 "$PAGES"); do
    printf 'url = "http://%s:%s/p%05d.html"\noutput = "%s/curl-out/p%05d.html"\n' "$(host_of "$i")" "$PORT" "$i" "$WORK" "$i"
done >"$CURL_CFG"

echo "Site Vigil ($CLI) and curl, alternately"
measure sitevigil-first "$CLI" check
measure curl-first curl -sS --parallel --parallel-max 20 -K "$CURL_CFG"
measure sitevigil "$CLI" check
measure curl curl -sS --parallel --parallel-max 20 -K "$CURL_CFG"
failed="$(grep -c 'sitevigil-cli: check:' "$WORK/err-sitevigil.txt" || true)"
[[ "$failed" -eq 0 ]] || { echo "  $failed pages failed:"; head -5 "$WORK/err-sitevigil.txt"; }
python3 - "${SECONDS_OF[sitevigil]}" "${PEAK_OF[sitevigil]}" "${SECONDS_OF[curl]}" "${PEAK_OF[curl]}" <<'PY'
import sys
sv, svp, cu, cup = float(sys.argv[1]), int(sys.argv[2]) / 1024, float(sys.argv[3]), int(sys.argv[4]) / 1024
print(f"== sitevigil-cli check {sv:.2f} s (peak {svp:.1f} MB), curl {cu:.2f} s (peak {cup:.1f} MB): {sv / max(cu, 0.01):.2f}x")
PY
