#!/usr/bin/env bash
# Renders 50 local pages (each writes its text from a JSON endpoint by script) through the render
# helper with renderParallel 1, 2 and 4: pages per second and peak resident memory of the helper and
# its engine processes together. The pages come from a local python3 http.server.
#
#   bench/render_bench.sh [--pages N] [--build DIR]
# The settling time is 0.5 s per page (renderWait would be 2 s by default; the wait is the same for
# every page and says nothing about the engine).
set -euo pipefail

PAGES=50
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
BUILD="$HERE/../build"
while [[ $# -gt 0 ]]; do
    case "$1" in
    --pages) PAGES="$2"; shift 2 ;;
    --build) BUILD="$2"; shift 2 ;;
    *) echo "usage: $0 [--pages N] [--build DIR]" >&2; exit 2 ;;
    esac
done
HELPER="$BUILD/src/cli/sitevigil-render"
DRIVER="$BUILD/bench/render_driver"
[[ -x "$HELPER" && -x "$DRIVER" ]] || { echo "build sitevigil-render and render_driver first" >&2; exit 2; }

WORK="$(mktemp -d /tmp/sitevigil-render-bench-XXXXXX)"
SERVER_PID=""
cleanup() {
    [[ -n "$SERVER_PID" ]] && kill "$SERVER_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
for ((i = 0; i < PAGES; i++)); do
    echo "{\"price\": $i}" >"$WORK/data$i.json"
    cat >"$WORK/page$i.html" <<PAGE
<!doctype html><html><head><title>Page $i</title></head><body><div id="box"></div>
<script>fetch('data$i.json').then(r => r.json()).then(d => {
  const p = document.createElement('p'); p.id = 'price'; p.textContent = 'Price ' + d.price;
  document.getElementById('box').appendChild(p); });</script></body></html>
PAGE
done
PORT="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
python3 -m http.server "$PORT" --bind 127.0.0.1 --directory "$WORK" >/dev/null 2>&1 &
SERVER_PID=$!
sleep 1
export QT_QPA_PLATFORM=offscreen no_proxy=127.0.0.1 NO_PROXY=127.0.0.1
[[ $(id -u) -eq 0 ]] && export QTWEBENGINE_DISABLE_SANDBOX=1
for parallel in 1 2 4; do
    "$DRIVER" "$HELPER" "http://127.0.0.1:$PORT" "$PAGES" "$parallel" 2>/dev/null
done
