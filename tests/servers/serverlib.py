"""Shared plumbing of the scripted test servers.

Every server listens on 127.0.0.1 only, prints the port it bound as the first line of its
standard output, logs one line per event (to standard output or to --log FILE) and ends by
itself after --max-lifetime seconds or as soon as the process that started it is gone, so a
crashed test never leaves one behind.
"""
import argparse
import os
import socket
import struct
import sys
import threading
import time

HOST = "127.0.0.1"


def common_arguments(description):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--port", type=int, default=0,
                        help="port to listen on; 0 picks a free one (printed first)")
    parser.add_argument("--log", default=None,
                        help="append the event log to this file instead of standard output")
    parser.add_argument("--max-lifetime", type=float, default=600.0,
                        help="seconds after which the server ends by itself (default 600)")
    return parser


class EventLog:
    """One line per event, flushed at once so a test can read it while the server runs."""

    def __init__(self, path):
        self._lock = threading.Lock()
        self._file = open(path, "a", encoding="utf-8", errors="backslashreplace") if path else None

    def write(self, text):
        with self._lock:
            out = self._file or sys.stdout
            out.write(text + "\n")
            out.flush()


def printable(data):
    """Bytes as text for the log: printable ASCII as is, the rest escaped."""
    if isinstance(data, str):
        data = data.encode("latin-1", "backslashreplace")
    out = []
    for b in data:
        if 32 <= b < 127 and b != 0x5C:
            out.append(chr(b))
        elif b == 0x5C:
            out.append("\\\\")
        else:
            out.append("\\x%02x" % b)
    return "".join(out)


def start_guards(max_lifetime):
    """Ends the process after max_lifetime seconds or when its parent is gone."""
    parent = os.getppid()
    deadline = time.monotonic() + max_lifetime

    def watch():
        while True:
            if time.monotonic() >= deadline or os.getppid() != parent:
                os._exit(3)
            time.sleep(0.2)

    threading.Thread(target=watch, daemon=True).start()


def listen(port):
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    sock.bind((HOST, port))
    sock.listen(128)
    return sock


def unreachable_port():
    """A port whose TCP handshake never completes, so a client's connect() blocks.

    The listening socket has the smallest backlog and never accepts; the server fills that
    backlog with connections of its own, after which the kernel drops further SYNs.
    """
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.bind((HOST, 0))
    sock.listen(0)
    fillers = []
    for _ in range(3):
        filler = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        filler.setblocking(False)
        try:
            filler.connect(sock.getsockname())
        except BlockingIOError:
            pass
        fillers.append(filler)
    time.sleep(0.2)
    return sock, fillers


def announce(sock):
    sys.stdout.write("%d\n" % sock.getsockname()[1])
    sys.stdout.flush()


def serve_forever(sock, handler, log):
    """Accepts connections and runs handler(conn, number) on a thread of its own."""
    number = 0
    while True:
        conn, peer = sock.accept()
        number += 1
        log.write("CONNECT %d %s:%d" % (number, peer[0], peer[1]))
        thread = threading.Thread(target=_run, args=(handler, conn, number, log), daemon=True)
        thread.start()


def _run(handler, conn, number, log):
    try:
        handler(conn, number)
    except (ConnectionError, BrokenPipeError, OSError) as err:
        log.write("PEER-ERROR %d %s" % (number, err.__class__.__name__))
    finally:
        try:
            conn.close()
        except OSError:
            pass
        log.write("CLOSED %d" % number)


def reset(conn):
    """Closes with a TCP reset instead of an orderly shutdown."""
    try:
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    except OSError:
        pass
    conn.close()


def pattern_bytes(offset, count):
    """The generated test content: byte i is the top byte of i * 0x9E3779B1 (mod 2**32).

    It has no short period, so a block written at the wrong offset never matches by chance.
    The test support library generates the same bytes.
    """
    return bytes(((i * 0x9E3779B1) & 0xFFFFFFFF) >> 24 for i in range(offset, offset + count))


class Content:
    """The bytes a server hands out: a given file or the generated pattern of a given size.

    Generating the pattern in Python is slow (about 10 MB/s), so generated blocks are kept for
    the next request; for content of hundreds of MiB give a --file written by the test instead.
    """

    BLOCK = 1 << 20
    CACHED_BLOCKS = 64

    def __init__(self, path=None, size=0):
        self.path = path
        self.size = os.path.getsize(path) if path else size
        self._blocks = {}
        self._lock = threading.Lock()

    def _block(self, index):
        with self._lock:
            block = self._blocks.get(index)
        if block is None:
            start = index * self.BLOCK
            block = pattern_bytes(start, min(self.BLOCK, self.size - start))
            with self._lock:
                if len(self._blocks) >= self.CACHED_BLOCKS:
                    self._blocks.pop(next(iter(self._blocks)))
                self._blocks[index] = block
        return block

    def read(self, offset, count):
        count = max(0, min(count, self.size - offset))
        if self.path:
            with open(self.path, "rb") as f:
                f.seek(offset)
                return f.read(count)
        out = []
        while count > 0:
            index, within = divmod(offset, self.BLOCK)
            piece = self._block(index)[within:within + count]
            out.append(piece)
            offset += len(piece)
            count -= len(piece)
        return b"".join(out)
