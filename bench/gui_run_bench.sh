#!/usr/bin/env bash
# A check run over the same local pages in the desktop program's list view and in sitevigil-cli.
#
#   bench/gui_run_bench.sh [--pages N] [--runs R] [--build DIR]
#
# Both work on one list of N pages of 20 KB ("Exact content" watched, pages saved, 20 workers at
# normal priority) served by a local nginx. Each tool first checks the pages once to fill the saved
# copies; then the two alternate, R passes each. Reported: the median wall time of a whole process
# (start, load, run, save, exit), the GUI's run alone as its window measures it, and peak memory.
# The GUI runs under Xvfb (xvfb-run starts one when there is no display). Needs nginx, xvfb-run,
# python3 and /usr/bin/time; nothing leaves the loopback interface.
set -euo pipefail

PAGES=1000
RUNS=3
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
BUILD="$HERE/../build"
while [[ $# -gt 0 ]]; do
    case "$1" in
    --pages) PAGES="$2"; shift 2 ;;
    --runs) RUNS="$2"; shift 2 ;;
    --build) BUILD="$2"; shift 2 ;;
    *) echo "usage: $0 [--pages N] [--runs R] [--build DIR]" >&2; exit 2 ;;
    esac
done
if [[ -z "${DISPLAY:-}" ]]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --pages "$PAGES" --runs "$RUNS" --build "$BUILD"
fi
CLI="$BUILD/src/cli/sitevigil-cli"
GUI="$BUILD/bench/gui/sitevigil-list-harness"
for program in "$CLI" "$GUI"; do
    [[ -x "$program" ]] || { echo "not built: $program (configure with -DSITEVIGIL_BENCH=ON)" >&2; exit 2; }
done

WORK="$(mktemp -d /tmp/sitevigil-guibench-XXXXXX)"
chmod 755 "$WORK"
NGINX_PID=""
cleanup() {
    [[ -n "$NGINX_PID" ]] && { kill "$NGINX_PID" 2>/dev/null || true; wait "$NGINX_PID" 2>/dev/null || true; }
    [[ -n "${KEEP_WORK:-}" ]] && echo "kept $WORK" || rm -rf "$WORK"
}
trap cleanup EXIT
PORT="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
BASE="http://127.0.0.1:$PORT"

source "$(dirname "${BASH_SOURCE[0]}")/local_pages.sh"
make_pages "$WORK/www" "$PAGES" 20480
start_nginx "$PORT" "$WORK/www"

export SITEVIGIL_CONFIG_DIR="$WORK/config" XDG_CONFIG_HOME="$WORK/xdg-config" XDG_DATA_HOME="$WORK/data"
export QTWEBENGINE_DISABLE_SANDBOX=1 no_proxy=127.0.0.1 NO_PROXY=127.0.0.1
for setting in "numThreads 19" "threadPriority 2" "showSummary 0"; do
    # shellcheck disable=SC2086
    "$CLI" config set $setting >/dev/null
done
# Pages added with the CLI in one go would take a process each: add one, then copy its record.
"$CLI" add "$BASE/p00001.html" --name p00001 --watch content >/dev/null
python3 - "$XDG_DATA_HOME/site-vigil/siteVigil.dat" "$PAGES" <<'PY'
import struct, sys
path, pages = sys.argv[1], int(sys.argv[2])
data = open(path, "rb").read()
record = data[16:]
assert record.count(b"p00001") == 2, "unexpected record layout"
out = [data[:12], struct.pack("<i", pages)] + [record.replace(b"p00001", b"p%05d" % i) for i in range(pages, 0, -1)]
open(path, "wb").write(b"".join(out))
PY

# measure NAME COMMAND...: wall seconds and peak MB of one process, appended to $WORK/NAME.
measure() {
    local name="$1"; shift
    /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$@" >"$WORK/out.txt" 2>"$WORK/err.txt" \
        || { echo "$name failed:"; cat "$WORK/err.txt"; exit 1; }
    local wall peak
    read -r wall peak <"$WORK/time.txt"
    printf '  %-5s %7.2f s  peak %6.1f MB  %s\n' "$name" "$wall" "$(awk -v kb="$peak" 'BEGIN {print kb / 1024}')" \
        "$(grep -h "GUI" "$WORK/out.txt" | tr "\n" " " || true)"
    echo "$wall" >>"$WORK/$name"
    grep -ho "[0-9.]* s$" "$WORK/out.txt" | cut -d' ' -f1 >>"$WORK/$name-run" || true
}
median() { sort -g "$WORK/$1" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

echo "== $PAGES pages on $BASE, $(nproc) cores, load $(cut -d" " -f1-3 /proc/loadavg)"
"$CLI" check >/dev/null
"$GUI" --check --quit >/dev/null 2>&1
for _ in $(seq 1 "$RUNS"); do
    measure cli "$CLI" check
    measure gui "$GUI" --check --quit
done
python3 - "$(median cli)" "$(median gui)" "$(median gui-run)" "$PAGES" <<'PY'
import sys
cli, gui, run, pages = float(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
print(f"== median over {pages} pages: CLI {cli:.2f} s, GUI process {gui:.2f} s (run alone {run:.2f} s);"
      f" GUI / CLI = {gui / max(cli, 0.01):.2f}x")
PY
