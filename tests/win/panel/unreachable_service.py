#!/usr/bin/env python3
"""A service host that takes no connection: a listener on 127.0.0.1:PORT whose accept queue is
full, so every further handshake is dropped silently, as from a machine that is down or behind
a firewall (nothing leaves the machine). Writes READY_FILE once the queue is full, then holds it
until killed.

usage: unreachable_service.py PORT READY_FILE
"""
import select
import socket
import sys
import time

port, ready_file = int(sys.argv[1]), sys.argv[2]
listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", port))
listener.listen(0)
fillers = []
while True:
    if len(fillers) == 64:
        sys.exit("the accept queue never filled")
    filler = socket.socket()
    filler.setblocking(False)
    filler.connect_ex(("127.0.0.1", port))
    fillers.append(filler)
    _, writable, _ = select.select([], [filler], [], 0.5)
    if not writable:
        break
open(ready_file, "w").close()
while True:
    time.sleep(3600)
