#!/usr/bin/env python3
"""A small HTTPS server for the calendar download tests: serves the files of one folder on a
free loopback port with the given certificate, and a few paths that misbehave on purpose.
Prints the port on its first line, then serves until its standard input closes."""
import http.server
import os
import ssl
import sys
import threading
import time

cert, key, folder = sys.argv[1], sys.argv[2], sys.argv[3]


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path == "/slow.ics":
            time.sleep(5)
        if self.path == "/huge.ics":
            self.send_response(200)
            self.end_headers()
            chunk = b"X" * 65536
            try:
                for _ in range(400):  # 25 MB, more than any limit
                    self.wfile.write(chunk)
            except OSError:
                pass
            return
        if self.path == "/to-http.ics":
            self.send_response(302)
            self.send_header("Location", "http://127.0.0.1:9/cal.ics")
            self.end_headers()
            return
        name = os.path.join(folder, os.path.basename(self.path))
        if not os.path.isfile(name):
            self.send_response(404)
            self.end_headers()
            return
        with open(name, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "text/calendar")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
threading.Thread(target=server.serve_forever, daemon=True).start()
sys.stdin.read()
server.shutdown()
