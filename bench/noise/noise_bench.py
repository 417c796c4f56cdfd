#!/usr/bin/env python3
"""False alarms and misses of each comparison mode over the page pairs of pairs.py.

Serves every pair's first page on 127.0.0.1, adds them all to a fresh list through sitevigil-cli
with the mode's options, checks, serves the second pages, checks again and counts: a pair without a
real change that is reported changed is a false alarm; a pair with one that is not is a miss.

    python3 bench/noise/noise_bench.py [path/to/sitevigil-cli] [--verbose]
"""

import http.server
import os
import re
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pairs  # noqa: E402

PAIRS = pairs.pairs()
PHASE = {"after": False}

MODES = [
    ("page checksum", ["--compare", "page"]),
    ("text", ["--compare", "text"]),
    ("text + selector", ["--compare", "text", "--select", pairs.SELECTOR]),
    ("text + ignore", ["--compare", "text"]
     + [a for t in pairs.IGNORE_TEXTS for a in ("--ignore", t)]
     + [a for r in pairs.IGNORE_REGEXES for a in ("--ignore-re", r)]),
]


class Pages(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        match = re.fullmatch(r"/p/(\d+)", self.path)
        if not match or int(match.group(1)) >= len(PAIRS):
            self.send_error(404)
            return
        body = PAIRS[int(match.group(1))][3 if PHASE["after"] else 2].encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def run(cli, env, *args):
    done = subprocess.run([cli, *args], env=env, capture_output=True, text=True)
    if done.returncode not in (0, 1):
        sys.exit(f"sitevigil-cli {' '.join(args)} failed ({done.returncode}): {done.stderr}")
    return done.stdout


def measure(cli, port, options, verbose):
    with tempfile.TemporaryDirectory(prefix="noise-bench-") as home:
        env = dict(os.environ, SITEVIGIL_CONFIG_DIR=home + "/config", XDG_CONFIG_HOME=home + "/xdg",
                   XDG_DATA_HOME=home + "/data", no_proxy="127.0.0.1", NO_PROXY="127.0.0.1")
        run(cli, env, "config", "set", "proxyType", "1")
        for index in range(len(PAIRS)):
            run(cli, env, "add", f"http://127.0.0.1:{port}/p/{index}", "--name", f"pair{index}",
                "--watch", "content", *options)
        PHASE["after"] = False
        run(cli, env, "check")
        PHASE["after"] = True
        out = run(cli, env, "check")
        changed = {int(n) for n in re.findall(r"^Changed: @\w+ pair(\d+) ", out, re.M)}
    false_alarms = [i for i, p in enumerate(PAIRS) if not p[1] and i in changed]
    misses = [i for i, p in enumerate(PAIRS) if p[1] and i not in changed]
    if verbose:
        for i in false_alarms:
            print(f"    false alarm: {PAIRS[i][0]}")
        for i in misses:
            print(f"    miss: {PAIRS[i][0]}")
    return len(false_alarms), len(misses)


def main():
    args = [a for a in sys.argv[1:] if a != "--verbose"]
    verbose = "--verbose" in sys.argv
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    cli = args[0] if args else os.path.join(root, "build", "src", "cli", "sitevigil-cli")
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Pages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    quiet = sum(1 for p in PAIRS if not p[1])
    print(f"{len(PAIRS)} pairs: {quiet} without a change a reader cares about, {len(PAIRS) - quiet} with one")
    print(f"{'mode':<18}{'false alarms':>14}{'misses':>10}")
    for name, options in MODES:
        false_alarms, misses = measure(cli, server.server_address[1], options, verbose)
        print(f"{name:<18}{f'{false_alarms}/{quiet}':>14}{f'{misses}/{len(PAIRS) - quiet}':>10}")
    server.shutdown()


if __name__ == "__main__":
    main()
