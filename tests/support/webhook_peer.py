#!/usr/bin/python3
"""A webhook peer for the notification tests, on 127.0.0.1.

Usage: webhook_peer.py OUT_DIR [PORT]. Prints the port it listens on, then serves until its standard
input ends. Every request is appended to OUT_DIR/requests.jsonl (method, path, headers, body).
The path chooses the answer:
  /status/404, /status/500   that status with a two-line body
  /hang                      never answers
  /big                       200 with a body of 1 MiB
  /_matrix/.../send/m.room.message/TXN   200 with an event id; a repeated TXN is recorded only once
  anything else              200 "ok"
"""
import json, os, socketserver, sys, threading, time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

out = sys.argv[1]
port = int(sys.argv[2]) if len(sys.argv) > 2 else 0
lock = threading.Lock()
seen_txn = set()


class Handler(BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *args):
        pass

    def answer(self, status, body):
        data = body.encode()
        self.send_response(status)
        self.send_header('Content-Type', 'text/plain')
        self.send_header('Content-Length', str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def handle_any(self):
        length = int(self.headers.get('Content-Length') or 0)
        body = self.rfile.read(length).decode('utf-8', 'replace')
        path = self.path
        if path.startswith('/hang'):
            time.sleep(3600)
            return
        record = True
        if '/send/m.room.message/' in path:
            txn = path.rsplit('/', 1)[1]
            with lock:
                record = txn not in seen_txn
                seen_txn.add(txn)
        if record:
            line = json.dumps({'method': self.command, 'path': path,
                               'headers': {k.lower(): v for k, v in self.headers.items()}, 'body': body})
            with lock, open(os.path.join(out, 'requests.jsonl'), 'a') as f:
                f.write(line + '\n')
        if path.startswith('/status/'):
            self.answer(int(path.split('/')[2]), 'Refused by the test peer\nsecond line')
        elif path.startswith('/big'):
            self.answer(200, 'x' * (1 << 20))
        elif '/send/m.room.message/' in path:
            self.answer(200, '{"event_id": "$1"}')
        else:
            self.answer(200, 'ok')

    do_POST = do_PUT = do_GET = handle_any


ThreadingHTTPServer.daemon_threads = True
# A client that hangs up on a long answer is expected here, not an error worth printing.
ThreadingHTTPServer.handle_error = lambda self, request, address: None
ThreadingHTTPServer.allow_reuse_address = True
server = ThreadingHTTPServer(('127.0.0.1', port), Handler)
print(server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()
os._exit(0)
