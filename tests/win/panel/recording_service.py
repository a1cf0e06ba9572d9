#!/usr/bin/env python3
"""A stand-in for the recognition service on loopback: records the body of every request it
receives (one line each, in arrival order) and answers with the bytes of a reply file, read
afresh for every request so that a test can change the answer between strokes. While the file
REPLY_FILE.flood exists, holding a byte count, the answer is instead that many bytes without a
brace, sent until the panel stops taking them; BODY_LOG.flood gets one line per flood.

usage: recording_service.py PORT BODY_LOG REPLY_FILE READY_FILE
"""
import os
import socket
import socketserver
import sys

port, body_log, reply_file, ready_file = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        self.request.settimeout(5)
        data = b""
        try:
            while b"\r\n\r\n" not in data:
                chunk = self.request.recv(4096)
                if not chunk:
                    return
                data += chunk
            head, _, body = data.partition(b"\r\n\r\n")
            length = 0
            for line in head.split(b"\r\n"):
                name, _, value = line.partition(b":")
                if name.strip().lower() == b"content-length":
                    length = int(value.strip())
            while len(body) < length:
                chunk = self.request.recv(4096)
                if not chunk:
                    break
                body += chunk
        except (socket.timeout, ValueError):
            return
        with open(body_log, "ab") as log:
            # The whole request once, then the body on a line of its own.
            log.write(b"body " + body + b" length=" + str(length).encode() + b"\n")
        with open(body_log + ".requests", "ab") as log:
            log.write(data + b"\n----\n")
        if os.path.exists(reply_file + ".flood"):
            self.flood()
            return
        with open(reply_file, "rb") as reply:
            content = reply.read()
        header = b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: %d\r\n\r\n" % len(content)
        self.request.sendall(header + content)

    def flood(self):
        with open(reply_file + ".flood") as count:
            size = int(count.read())
        block = b"a" * (1 << 20)
        sent = 0
        try:
            self.request.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % size)
            while sent < size:
                part = block[: size - sent]
                self.request.sendall(part)
                sent += len(part)
            outcome = "complete"
        except OSError as error:
            outcome = type(error).__name__
        with open(body_log + ".flood", "a") as log:
            log.write("flood sent=%d of %d %s\n" % (sent, size, outcome))


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


with Server(("127.0.0.1", port), Handler) as server:
    open(ready_file, "w").close()
    server.serve_forever()
