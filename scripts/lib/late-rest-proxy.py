#!/usr/bin/env python3
# A proxy on loopback in front of a mail server that behaves like servers seen in the field: it sends
# the first line of what the server wrote at once and the rest RTT_MS later, so that every reply of
# more than one line costs the client a wait. For scripts/bench.
#   late-rest-proxy.py LISTEN_PORT TARGET_PORT DELAY_MS PORT_FILE
import socket
import sys
import threading
import time

listen_port, target_port, delay, port_file = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]) / 1000, sys.argv[4]


def pump(source, sink, late):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            first = data.find(b"\n") + 1
            if late and 0 < first < len(data):
                sink.sendall(data[:first])
                time.sleep(delay)
                data = data[first:]
            sink.sendall(data)
    except OSError:
        pass
    for s in (sink, source):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def serve(client):
    server = socket.create_connection(("127.0.0.1", target_port))
    for s in (client, server):
        s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    threading.Thread(target=pump, args=(client, server, False), daemon=True).start()
    pump(server, client, True)
    client.close()
    server.close()


listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", listen_port))
listener.listen(16)
with open(port_file, "w") as f:
    f.write(str(listener.getsockname()[1]))
while True:
    connection, _ = listener.accept()
    threading.Thread(target=serve, args=(connection,), daemon=True).start()
