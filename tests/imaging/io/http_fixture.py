#!/usr/bin/env python3
"""Small HTTP servers for the URL-loading tests, on 127.0.0.1 with a free port.

usage: http_fixture.py ROOT PORTFILE LOGFILE [proxy]

Writes the chosen port to PORTFILE, and one line per request to LOGFILE
("<path> <header>=<value>;..."). Paths (files come from ROOT):
  /len/F    F with a Content-Length
  /nolen/F  F without a length, the end shown by closing the connection
  /slow/F   F with a length, in 97-byte pieces 5 ms apart
  /cut/F    announces F's length, sends half, closes
  /stall/F  announces F's length, sends 10 bytes, then waits until the client leaves
  /redirect/F  302 to /len/F
  anything else: 404 with an HTML page
In proxy mode the server answers requests for absolute addresses of ".test"
hosts itself (the proxy), and refuses everything else with 502.
"""
import os
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import urlsplit

ROOT, PORTFILE, LOGFILE = sys.argv[1], sys.argv[2], sys.argv[3]
PROXY = len(sys.argv) > 4 and sys.argv[4] == "proxy"
LOCK = threading.Lock()


def log(line):
    with LOCK, open(LOGFILE, "a") as f:
        f.write(line + "\n")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def body_of(self, name):
        with open(os.path.join(ROOT, os.path.basename(name)), "rb") as f:
            return f.read()

    def do_GET(self):
        target = self.path
        headers = ";".join(f"{k}={v}" for k, v in self.headers.items())
        if PROXY:
            parts = urlsplit(target)
            log(f"{target} {headers}")
            if not parts.hostname or not parts.hostname.endswith(".test"):
                self.send_response(502)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            target = parts.path
        else:
            log(f"{target} {headers}")
        kind, _, name = urlsplit(target).path.lstrip("/").partition("/")
        try:
            data = self.body_of(name) if name else None
        except OSError:
            data = None
        if kind == "redirect" and data is not None:
            self.send_response(302)
            self.send_header("Location", "/len/" + name)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if data is None or kind not in ("len", "nolen", "slow", "cut", "stall"):
            page = b"<html><body>Not Found</body></html>"
            self.send_response(404)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(page)))
            self.end_headers()
            self.wfile.write(page)
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if kind == "nolen":
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if kind in ("len", "nolen"):
            self.wfile.write(data)
        elif kind == "slow":
            for i in range(0, len(data), 97):
                self.wfile.write(data[i:i + 97])
                self.wfile.flush()
                time.sleep(0.005)
        elif kind == "cut":
            self.wfile.write(data[: len(data) // 2])
            self.wfile.flush()
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
        elif kind == "stall":
            self.wfile.write(data[:10])
            self.wfile.flush()
            self.connection.settimeout(0.1)
            while True:
                try:
                    if self.connection.recv(1) == b"":
                        break
                except socket.timeout:
                    continue
                except OSError:
                    break
            log(f"left {target}")
            self.close_connection = True


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
with open(PORTFILE + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(PORTFILE + ".tmp", PORTFILE)
server.serve_forever()
