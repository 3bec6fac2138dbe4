#!/usr/bin/env python3
"""serve.py PORTFILE [CERT KEY]: serves what the Windows downloader's tests fetch on 127.0.0.1,
on a free port it writes to PORTFILE, until it is ended; over TLS with CERT and KEY."""
import http.server
import socketserver
import sys
import time


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def body(self, data, length=None, status=200):
        self.send_response(status)
        self.send_header("Content-Length", str(len(data) if length is None else length))
        self.end_headers()
        self.wfile.write(data)
        self.wfile.flush()

    def do_GET(self):
        path = self.path
        if path == "/ok":
            self.body(b"Hopplix 1,1\r\n")
        elif path == "/redirect":
            self.send_response(302)
            self.send_header("Location", "/ok")
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif path == "/loop":
            self.send_response(302)
            self.send_header("Location", "/loop")
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif path == "/missing":
            self.body(b"not here", status=404)
        elif path == "/big":
            self.body(b"x" * 70000)
        elif path == "/big-unannounced":
            # No length: the body ends when the connection does.
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(b"x" * 70000)
            self.close_connection = True
        elif path == "/short":
            self.body(b"0123456789", length=100)
            self.close_connection = True
        elif path in ("/stall", "/slow"):
            # /stall sends a few bytes and then nothing; /slow a byte every tenth of a second.
            self.send_response(200)
            self.send_header("Content-Length", "100")
            self.end_headers()
            for i in range(100):
                self.wfile.write(b"y")
                self.wfile.flush()
                time.sleep(20 if path == "/stall" and i == 4 else 0.1)
        else:
            self.body(b"?", status=404)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a client that gave up mid-transfer is what some tests are about


server = Server(("127.0.0.1", 0), Handler)
if len(sys.argv) == 4:
    import ssl
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[2], sys.argv[3])
    server.socket = context.wrap_socket(server.socket, server_side=True)
with open(sys.argv[1] + ".part", "w") as f:
    f.write(str(server.server_address[1]))
import os
os.replace(sys.argv[1] + ".part", sys.argv[1])
server.serve_forever()
