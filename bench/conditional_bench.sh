#!/usr/bin/env bash
# An unchanged run with and without conditional requests: "sitevigil-cli check" over the same pages
# from one local nginx, once from a server that answers If-None-Match / If-Modified-Since (304) and
# once from one that ignores them (etag off, if_modified_since off), in one run.
#
#   bench/conditional_bench.sh [--pages N] [--cli PATH] [--tmp DIR]
#
# Each list is checked once to fill its copies and validators, then the measured pass. Reported: wall
# time and the bytes the server sent (its access log, headers included) for each measured pass.
set -euo pipefail

PAGES=1000
PAGE_BYTES=20480
TMP_ROOT=/tmp
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
CLI=""
while [[ $# -gt 0 ]]; do
    case "$1" in
    --pages) PAGES="$2"; shift 2 ;;
    --cli) CLI="$2"; shift 2 ;;
    --tmp) TMP_ROOT="$2"; shift 2 ;;
    *) echo "usage: $0 [--pages N] [--cli PATH] [--tmp DIR]" >&2; exit 2 ;;
    esac
done
if [[ -z "$CLI" ]]; then
    for candidate in "$HERE"/../build*/src/cli/sitevigil-cli; do
        [[ -x "$candidate" ]] && CLI="$candidate" && break
    done
fi
[[ -x "$CLI" ]] || { echo "sitevigil-cli not found; build it or pass --cli PATH" >&2; exit 2; }
for tool in nginx curl python3; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

# shellcheck source=bench/local_pages.sh
source "$(dirname "${BASH_SOURCE[0]}")/local_pages.sh"
make_work sitevigil-conditional

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
PORT="$(free_port)"
PLAIN_PORT="$(free_port)"
echo "== $PAGES unchanged pages of $PAGE_BYTES bytes, $(nproc) cores, load $(cut -d" " -f1-3 /proc/loadavg)"

make_pages "$WORK/www" "$PAGES" "$PAGE_BYTES"
start_nginx "$PORT" "$WORK/www"
# A second server on the same pages that ignores validators, and a log of the bytes each one sent.
python3 - "$WORK/nginx/nginx.conf" "$PORT" "$PLAIN_PORT" "$WORK" <<'PY'
import sys
path, port, plain, work = sys.argv[1:5]
conf = open(path).read()
conf = conf.replace("    access_log off;\n",
                    "    log_format sent '$server_port $bytes_sent';\n"
                    f"    access_log {work}/nginx/access.log sent;\n")
root = conf[conf.index("        root "):].split("\n")[0]
conf = conf.replace("    server {\n",
                    "    server {\n"
                    f"        listen 127.0.0.1:{plain};\n{root}\n"
                    "        etag off;\n        if_modified_since off;\n    }\n    server {\n", 1)
open(path, "w").write(conf)
PY
kill -HUP "$NGINX_PID"
for _ in $(seq 1 50); do
    curl -fsS -o /dev/null "http://127.0.0.1:$PLAIN_PORT/p00001.html" 2>/dev/null && break
    sleep 0.1
done

# make_list NAME PORT: a storage folder whose list holds the pages of that server.
make_list() {
    export SITEVIGIL_CONFIG_DIR="$WORK/$1/config"
    export XDG_CONFIG_HOME="$WORK/$1/xdg-config"
    export XDG_DATA_HOME="$WORK/$1/data"
    "$CLI" config set numThreads 19 >/dev/null
    "$CLI" config set threadPriority 2 >/dev/null
    "$CLI" config set showSummary 0 >/dev/null
    "$CLI" config set hostConcurrency 20 >/dev/null
    "$CLI" add "http://127.0.0.1:$2/p00001.html" --name p00001 --watch content >/dev/null
    python3 - "$XDG_DATA_HOME/site-vigil/siteVigil.dat" "$PAGES" <<'PY'
import struct, sys
path, pages = sys.argv[1], int(sys.argv[2])
data = open(path, "rb").read()
header, count = data[:12], struct.unpack("<i", data[12:16])[0]
assert count == 1, count
record = data[16:]
assert record.count(b"p00001") == 2, "unexpected record layout"
out = [header, struct.pack("<i", pages)] + [record.replace(b"p00001", b"p%05d" % i) for i in range(1, pages + 1)]
open(path, "wb").write(b"".join(out))
PY
}

# run NAME PORT: the filling pass, then the measured pass with its time and the bytes sent.
run() {
    make_list "$1" "$2"
    "$CLI" check >/dev/null 2>"$WORK/err-$1-first.txt" || true
    : >"$WORK/nginx/access.log"
    local start end
    start="$(date +%s.%N)"
    "$CLI" check >/dev/null 2>"$WORK/err-$1.txt" || true
    end="$(date +%s.%N)"
    local bytes requests
    bytes="$(awk -v p="$2" '$1 == p { s += $2 } END { print s + 0 }' "$WORK/nginx/access.log")"
    requests="$(awk -v p="$2" '$1 == p { n++ } END { print n + 0 }' "$WORK/nginx/access.log")"
    printf '  %-24s %7.2f s  %10d bytes in %d responses\n' "$1" "$(echo "$end - $start" | bc)" "$bytes" "$requests"
    eval "BYTES_$1=$bytes"
}

run conditional "$PORT"
run unconditional "$PLAIN_PORT"
python3 -c "import sys; c, u = int(sys.argv[1]), int(sys.argv[2]); print(f'== conditional requests: {c} bytes against {u}: {100 * c / max(u, 1):.1f}% of the bytes')" \
    "$BYTES_conditional" "$BYTES_unconditional"
