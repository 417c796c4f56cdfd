#!/bin/sh
# The text benchmark's 1 MB page through peers that read HTML with the same parser (libxml2):
# xmllint building the tree (its own wall-clock timing) and Python's lxml building it and taking its
# text (CPU time). Best of 5 each, to set beside bench_extract's Extract and TreeText in one sitting.
# Usage: bench/extract_peers.sh [BUILD_DIR]   (default build)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
bench=$build/bench/bench_extract
[ -x "$bench" ] || { echo "missing $bench: build bench_extract" >&2; exit 2; }

work=$(mktemp -d /tmp/sitevigil-extract-peers-XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
"$bench" --page-out="$work/page.html"

if command -v xmllint >/dev/null; then
    best=
    for _ in 1 2 3 4 5; do
        ms=$(xmllint --html --noout --timing "$work/page.html" 2>&1 | sed -n 's/^Parsing took \([0-9]*\) ms$/\1/p')
        [ -z "$best" ] || [ "$ms" -lt "$best" ] && best=$ms
    done
    echo "xmllint --html (tree)      ${best} ms wall"
fi

/usr/bin/python3 - "$work/page.html" <<'PY' || echo "lxml: not installed (Debian: python3-lxml)"
import sys, time
import lxml.html
page = open(sys.argv[1], "rb").read()
best = min(
    (lambda start: (lxml.html.document_fromstring(page).text_content(), time.process_time() - start)[1])(
        time.process_time())
    for _ in range(5))
print("lxml text_content (tree)   %.1f ms CPU" % (best * 1000))
PY
