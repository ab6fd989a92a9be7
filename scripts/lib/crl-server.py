"""Serves the files of ROOT over HTTP on 127.0.0.1, and on a second port accepts connections that it
never answers. Once both listen, writes "HTTP-PORT STALLED-PORT" to PORTS_FILE.

usage: crl-server.py ROOT PORTS_FILE
"""
import functools
import http.server
import os
import socket
import sys
import threading


def hold(listener):
    held = []
    while True:
        held.append(listener.accept()[0])


def main():
    root, ports_file = sys.argv[1:3]
    handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=root)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    stalled = socket.create_server(("127.0.0.1", 0))
    with open(ports_file + ".new", "w") as ports:
        ports.write(f"{server.server_port} {stalled.getsockname()[1]}\n")
    os.rename(ports_file + ".new", ports_file)
    threading.Thread(target=hold, args=(stalled,), daemon=True).start()
    server.serve_forever()


main()
