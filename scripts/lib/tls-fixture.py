#!/usr/bin/env python3
"""Scripted POP3 servers over TLS for the tests of a secure connection's odd cases.

    tls-fixture.py CERT KEY CA LOG

Each mode listens on 127.0.0.20 at a port of its own (MODES below) with CERT (a certificate of the
test CA for that address). Every session that reached the end of the dialogue appends one line
"PORT close_notify" or "PORT no close_notify" to LOG, telling whether the client closed TLS with its
close_notify alert after the reply to QUIT. Every session of the old-tls server appends
"PORT no handshake", or the version it agreed and "sent nothing" or "sent data": whether the client
sent anything after a handshake at that version. Runs until it is killed.
"""
import socket
import ssl
import struct
import sys
import threading
import time

ADDRESS = "127.0.0.20"
MODES = {
    9951: "optional-client-certificate",  # asks for a client certificate, goes on without one
    9952: "old-tls",  # speaks nothing newer than TLS 1.1
    9953: "client-certificate-required",  # refuses a client without a certificate
    9954: "endless-line",  # answers PASS with a line that never ends
    9955: "corrupt-record-at-close",  # answers STAT with a record no key made, and resets the connection
}


def context(mode, cert, key, ca):
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(cert, key)
    if mode == "old-tls":
        # The system's OpenSSL allows neither these versions nor their signatures by default.
        ctx.set_ciphers("DEFAULT:@SECLEVEL=0")
        ctx.minimum_version = ssl.TLSVersion.TLSv1
        ctx.maximum_version = ssl.TLSVersion.TLSv1_1
    else:
        ctx.minimum_version = ssl.TLSVersion.TLSv1_2
    if mode in ("optional-client-certificate", "client-certificate-required"):
        ctx.load_verify_locations(ca)
        ctx.verify_mode = ssl.CERT_OPTIONAL if mode == "optional-client-certificate" else ssl.CERT_REQUIRED
    return ctx


def read_line(conn):
    line = b""
    while not line.endswith(b"\n"):
        chunk = conn.recv(1)
        if not chunk:
            return None
        line += chunk
    return line


def endless_line(conn):
    conn.sendall(b"+OK ")
    chunk = b"x" * 65536
    try:
        while True:
            conn.sendall(chunk)
    except OSError:
        pass


def corrupt_record_and_reset(conn):
    # The client is waiting for the reply by now. The record goes past the TLS layer, and the reset
    # right behind it tells the client of the close while the record is still unread.
    time.sleep(0.3)
    socket.socket.sendall(conn, b"\x17\x03\x03\x00\x20" + bytes(32))
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))


def append(log, line):
    with open(log, "a") as f:
        f.write(line + "\n")


def old_tls(conn, port, log):
    try:
        conn.sendall(b"+OK fixture ready\r\n")
        data = conn.recv(1)
    except OSError:
        data = b""
    append(log, f"{port} {conn.version()} {'sent data' if data else 'sent nothing'}")


def serve(conn, port, mode, log):
    conn.settimeout(30)
    if mode == "old-tls":
        old_tls(conn, port, log)
        return
    conn.sendall(b"+OK fixture ready\r\n")
    while True:
        line = read_line(conn)
        if line is None:
            return
        command = line.split(b" ", 1)[0].strip().upper()
        if command == b"PASS" and mode == "endless-line":
            endless_line(conn)
            return
        if command == b"STAT" and mode == "corrupt-record-at-close":
            corrupt_record_and_reset(conn)
            return
        if command == b"STAT":
            conn.sendall(b"+OK 2 320\r\n")
        elif command == b"QUIT":
            conn.sendall(b"+OK bye\r\n")
            break
        else:
            conn.sendall(b"+OK\r\n")
    # A client that ends TLS properly sends close_notify before it closes the connection.
    conn.settimeout(5)
    try:
        conn.unwrap()
        result = "close_notify"
    except (OSError, ssl.SSLError):
        result = "no close_notify"
    append(log, f"{port} {result}")


def session(raw, ctx, port, mode, log):
    try:
        conn = ctx.wrap_socket(raw, server_side=True)
    except (OSError, ssl.SSLError):
        if mode == "old-tls":
            append(log, f"{port} no handshake")
        raw.close()
        return
    try:
        with conn:
            serve(conn, port, mode, log)
    except (OSError, ssl.SSLError):
        pass
    finally:
        raw.close()


def listen(port, mode, ctx, log):
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind((ADDRESS, port))
    server.listen(16)
    while True:
        raw, _ = server.accept()
        threading.Thread(target=session, args=(raw, ctx, port, mode, log), daemon=True).start()


def main():
    cert, key, ca, log = sys.argv[1:5]
    threads = [threading.Thread(target=listen, args=(port, mode, context(mode, cert, key, ca), log), daemon=True)
               for port, mode in MODES.items()]
    for thread in threads:
        thread.start()
    print("ready", flush=True)
    for thread in threads:
        thread.join()


if __name__ == "__main__":
    main()
