#!/bin/sh
# Fetches 1,000 pages of 20 KB from a local nginx with 20 workers: our engine (bench_fetch) against
# curl --parallel --parallel-max 20 on the same pages, side by side.
# Usage: bench/fetch_bench.sh [BUILD_DIR]   (a build with -DSITEVIGIL_BENCH=ON; default build-fetch)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-fetch}
bench=$build/bench/bench_fetch
pages=1000
workers=20
page_size=20480

[ -x "$bench" ] || { echo "missing $bench: configure with -DSITEVIGIL_BENCH=ON and build bench_fetch" >&2; exit 2; }
command -v nginx >/dev/null || { echo "nginx is not installed (Debian: nginx-light)" >&2; exit 2; }

work=$(mktemp -d /tmp/sitevigil-fetch-bench-XXXXXX)
nginx_pid=
cleanup() {
    if [ -n "$nginx_pid" ]; then
        kill "$nginx_pid" 2>/dev/null || true
        wait "$nginx_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# The pages: 20 KB of text each, all different.
mkdir -p "$work/pages" "$work/tmp" "$work/config" "$work/data"
i=0
head -c $((page_size * 3 / 4)) /dev/urandom | base64 -w 100 | head -c "$page_size" > "$work/filler"
while [ $i -lt $pages ]; do
    { printf '<html><!-- page %d -->\n' $i; head -c $((page_size - 40)) "$work/filler"; printf '\n</html>\n'; } \
        | head -c $page_size > "$work/pages/p$i.html"
    i=$((i + 1))
done
chmod -R a+rX "$work"

# A free loopback port for nginx.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')
cat > "$work/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log warn;
events { worker_connections 1024; }
http {
    access_log off;
    client_body_temp_path $work/tmp/body;
    proxy_temp_path $work/tmp/proxy;
    fastcgi_temp_path $work/tmp/fastcgi;
    uwsgi_temp_path $work/tmp/uwsgi;
    scgi_temp_path $work/tmp/scgi;
    keepalive_requests 100000;
    server {
        listen 127.0.0.1:$port;
        root $work/pages;
    }
}
CONF
nginx -c "$work/nginx.conf" -p "$work" &
nginx_pid=$!
tries=0
until python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 0.2).close()" 2>/dev/null; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { echo "nginx did not start" >&2; cat "$work/error.log" >&2; exit 1; }
    sleep 0.05
done

i=0
: > "$work/urls.txt"
: > "$work/curl.cfg"
while [ $i -lt $pages ]; do
    echo "http://127.0.0.1:$port/p$i.html" >> "$work/urls.txt"
    printf 'url = "http://127.0.0.1:%d/p%d.html"\noutput = "/dev/null"\n' "$port" $i >> "$work/curl.cfg"
    i=$((i + 1))
done

# Rounds alternate the two clients so that other load on the machine hits both alike; best of each.
export SITEVIGIL_BENCH_URLS="$work/urls.txt" SITEVIGIL_BENCH_WORKERS=$workers
export SITEVIGIL_CONFIG_DIR="$work/config" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
echo "== $pages pages of $page_size bytes, $workers at a time; curl --parallel --parallel-max $workers vs the engine"
curl_rate=0
: > "$work/ours.txt"
for run in 1 2 3 4 5; do
    start=$(date +%s.%N)
    /usr/bin/time -f '%M' -o "$work/curl.mem" \
        curl --no-progress-meter --fail --parallel --parallel-max $workers --noproxy '*' -K "$work/curl.cfg"
    end=$(date +%s.%N)
    rate=$(echo "$start $end" | awk -v n=$pages '{ printf "%.0f", n / ($2 - $1) }')
    echo "round $run curl:   $rate pages/s, peak RSS $(awk '{ printf "%.1f", $1 / 1024 }' "$work/curl.mem") MB"
    [ "$rate" -gt "$curl_rate" ] && curl_rate=$rate
    "$bench" --benchmark_counters_tabular=true 2>/dev/null | grep BM_FetchPages | tee -a "$work/ours.txt" \
        | awk -v r=$run '{ v = $(NF-1); sub(/\/s$/, "", v); printf "round %s engine: %s pages/s, peak RSS %s MB, failed %s\n", r, v, $NF, $(NF-3) }'
done

# The pages_per_second column (the last rate on the line), with Google Benchmark's k/M suffixes.
ours_rate=$(awk '/BM_FetchPages/ {
    rate = $(NF-1); sub(/\/s$/, "", rate)
    m = 1; if (rate ~ /k$/) m = 1000; if (rate ~ /M$/) m = 1000000
    sub(/[kM]$/, "", rate); if (rate * m > best) best = rate * m } END { printf "%.0f", best }' "$work/ours.txt")
peak=$(awk '/BM_FetchPages/ { if ($NF > p) p = $NF } END { print p }' "$work/ours.txt")

echo "== summary"
echo "curl (best of 5): $curl_rate pages/s"
echo "engine (best of 5): $ours_rate pages/s, highest peak RSS $peak MB"
awk -v a="$ours_rate" -v b="$curl_rate" -v p="$peak" 'BEGIN {
    r = a / b
    printf "ratio %.2f of curl (target >= 0.50): %s; peak RSS (target < 64 MB): %s\n",
        r, (r >= 0.5 ? "met" : "NOT met"), (p < 64 ? "met" : "NOT met") }'
