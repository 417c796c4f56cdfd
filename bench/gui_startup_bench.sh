#!/usr/bin/env bash
# Start-up of the desktop program with a list of 10,000 pages: time from launch to the first painted
# window (target under 1 s) and the GUI process's resident memory (target under 150 MB; the browser
# pane's helper processes are not counted). Runs on its own Xvfb; five starts, each figure reported.
#
#   bash bench/gui_startup_bench.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$top/build}
gui=$build/src/ui/sitevigil
cli=$build/src/cli/sitevigil-cli
pages=${PAGES:-10000}

work=$(mktemp -d)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb; rm -rf "$work"' EXIT
export DISPLAY=$display
export SITEVIGIL_CONFIG_DIR=$work/config XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/xdg HOME=$work

# One import makes the whole list.
{
  echo '<!DOCTYPE NETSCAPE-Bookmark-file-1><DL>'
  for ((i = 1; i <= pages; i++)); do echo "<DT><A HREF=\"http://127.0.0.1:9/page$i.html\">Page $i</A>"; done
  echo '</DL>'
} > "$work/bookmarks.html"
"$cli" import-bookmarks "$work/bookmarks.html" > /dev/null
echo "list: $("$cli" list | wc -l) pages"

sleep 1 # the X server is up
for run in 1 2 3 4 5; do
  SITEVIGIL_STARTUP_PROBE="$(date +%s%N)" "$gui" 2>&1 | grep '^startup-probe' | sed "s/^/run $run: /"
done
