#!/usr/bin/env python3
"""A token endpoint for the tests of TTokenRequest, over HTTPS on localhost.

    token-server.py TLS_DIR PORT_FILE

Serves with TLS_DIR/localhost.pem (a certificate of the test CA for localhost) on one port and with
TLS_DIR/untrusted.pem (the same name from a CA nobody trusts) on another, and writes "PORT
UNTRUSTED_PORT" to PORT_FILE once both listen. Paths: /token echoes the request's content type and
body; /refused answers 400 invalid_grant; /moved answers 302 to /token; /huge sends 100 KiB; /slow
answers after a while; /silent never answers; /quit ends the server. It also ends after half a
minute without a request: Wine starts it detached, so it cannot see its test program go.
"""
import http.server
import os
import ssl
import sys
import threading
import time


IDLE_SECONDS = 30
last_request = time.monotonic()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def reply(self, status, body, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_POST(self):
        global last_request
        last_request = time.monotonic()
        body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        if self.path == "/token":
            echo = "type=%s\nbody=" % self.headers.get("Content-Type", "")
            self.reply(200, echo.encode() + body)
        elif self.path == "/refused":
            self.reply(400, b'{"error":"invalid_grant"}', [("Content-Type", "application/json")])
        elif self.path == "/moved":
            self.reply(302, b"", [("Location", "/token")])
        elif self.path == "/huge":
            self.reply(200, b"x" * 100 * 1024)
        elif self.path == "/slow":
            time.sleep(0.5)
            self.reply(200, b"late")
        elif self.path == "/silent":
            time.sleep(30)
        elif self.path == "/quit":
            self.reply(200, b"")
            os._exit(0)
        else:
            self.reply(404, b"")

    def log_message(self, *args):
        pass


def serve(tls_dir, name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(tls_dir, name + ".pem"), os.path.join(tls_dir, name + ".key"))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def main():
    tls_dir, port_file = sys.argv[1], sys.argv[2]
    ports = "%d %d\n" % (serve(tls_dir, "localhost"), serve(tls_dir, "untrusted"))
    with open(port_file + ".new", "w") as out:
        out.write(ports)
    os.replace(port_file + ".new", port_file)
    while time.monotonic() - last_request < IDLE_SECONDS:
        time.sleep(0.2)


main()
