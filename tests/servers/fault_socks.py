#!/usr/bin/python3
"""A SOCKS5 proxy that misbehaves on demand.

Without a fault switch it is a working SOCKS5 proxy (CONNECT only), with user/password
authentication when --user is given. Log lines:
  CONNECT <conn> <peer>          GREETING <conn> <hex bytes>     AUTH <conn> <user> <password>
  REQUEST <conn> <host>:<port>   REPLY <conn> <hex bytes>        RELAYED <conn> <up> <down>
  CLOSED <conn>
"""
import socket
import struct
import threading

import serverlib


def parse_arguments():
    p = serverlib.common_arguments(__doc__.splitlines()[0])
    p.add_argument("--user", help="require this user name (user/password method)")
    p.add_argument("--password", default="", help="the password that goes with --user")
    p.add_argument("--no-method", action="store_true",
                   help="answer the greeting with 0x05 0xFF (no acceptable method)")
    p.add_argument("--auth-fail", action="store_true",
                   help="ask for user/password and refuse whatever is sent")
    p.add_argument("--connect-reply", type=int, default=0,
                   help="answer CONNECT with this reply code (e.g. 5: connection refused)")
    p.add_argument("--close", action="store_true",
                   help="reset every connection at once (a reset, whatever the client sent)")
    p.add_argument("--stall", action="store_true", help="accept and never answer")
    p.add_argument("--stall-after-method", action="store_true",
                   help="answer the greeting, then never answer the CONNECT request")
    return p.parse_args()


def receive_exactly(conn, count):
    data = b""
    while len(data) < count:
        chunk = conn.recv(count - len(data))
        if not chunk:
            raise ConnectionError("peer closed during the negotiation")
        data += chunk
    return data


class Server:
    def __init__(self, args, log):
        self.args = args
        self.log = log

    def send(self, conn, number, data):
        self.log.write("REPLY %d %s" % (number, data.hex()))
        conn.sendall(data)

    def stall(self, conn, number):
        self.log.write("STALL %d" % number)
        while conn.recv(4096):
            pass

    def handle(self, conn, number):
        args = self.args
        if args.close:
            # A reset, not an orderly close: an orderly one races with the client's greeting
            # and is seen as a reset or as a clean end depending on which arrives first.
            serverlib.reset(conn)
            return
        if args.stall:
            self.stall(conn, number)
            return
        head = receive_exactly(conn, 2)
        methods = receive_exactly(conn, head[1])
        self.log.write("GREETING %d %s" % (number, (head + methods).hex()))
        if head[0] != 5 or args.no_method:
            self.send(conn, number, b"\x05\xff")
            return
        wants_login = bool(args.user) or args.auth_fail
        method = 2 if wants_login else 0
        if method not in methods:
            self.send(conn, number, b"\x05\xff")
            return
        self.send(conn, number, bytes([5, method]))
        if wants_login:
            version, length = receive_exactly(conn, 2)
            user = receive_exactly(conn, length)
            (length,) = receive_exactly(conn, 1)
            password = receive_exactly(conn, length)
            self.log.write("AUTH %d %s %s" % (number, serverlib.printable(user),
                                                serverlib.printable(password)))
            good = (not args.auth_fail and version == 1 and user == args.user.encode()
                    and password == args.password.encode())
            self.send(conn, number, b"\x01\x00" if good else b"\x01\x01")
            if not good:
                return
        if args.stall_after_method:
            self.stall(conn, number)
            return
        version, command, _, kind = receive_exactly(conn, 4)
        if kind == 1:
            host = socket.inet_ntoa(receive_exactly(conn, 4))
        elif kind == 3:
            (length,) = receive_exactly(conn, 1)
            host = receive_exactly(conn, length).decode("latin-1")
        elif kind == 4:
            host = socket.inet_ntop(socket.AF_INET6, receive_exactly(conn, 16))
        else:
            self.send(conn, number, b"\x05\x08\x00\x01" + bytes(6))
            return
        (port,) = struct.unpack("!H", receive_exactly(conn, 2))
        self.log.write("REQUEST %d %s:%d" % (number, host, port))
        if command != 1:
            self.send(conn, number, b"\x05\x07\x00\x01" + bytes(6))
            return
        if args.connect_reply:
            self.send(conn, number, bytes([5, args.connect_reply, 0, 1]) + bytes(6))
            return
        try:
            upstream = socket.create_connection((host, port), timeout=30)
            upstream.settimeout(None)
        except OSError:
            self.send(conn, number, b"\x05\x05\x00\x01" + bytes(6))
            return
        bound = upstream.getsockname()
        if upstream.family == socket.AF_INET6:
            address = b"\x04" + socket.inet_pton(socket.AF_INET6, bound[0])
        else:
            address = b"\x01" + socket.inet_aton(bound[0])
        self.send(conn, number, b"\x05\x00\x00" + address + struct.pack("!H", bound[1]))
        self.relay(conn, upstream, number)

    def relay(self, conn, upstream, number):
        counts = [0, 0]

        def pump(source, target, index):
            try:
                while True:
                    data = source.recv(65536)
                    if not data:
                        break
                    target.sendall(data)
                    counts[index] += len(data)
            except OSError:
                pass
            finally:
                try:
                    target.shutdown(socket.SHUT_WR)
                except OSError:
                    pass

        up = threading.Thread(target=pump, args=(conn, upstream, 0), daemon=True)
        up.start()
        pump(upstream, conn, 1)
        up.join()
        upstream.close()
        self.log.write("RELAYED %d %d %d" % (number, counts[0], counts[1]))


def main():
    args = parse_arguments()
    serverlib.start_guards(args.max_lifetime)
    log = serverlib.EventLog(args.log)
    sock = serverlib.listen(args.port)
    serverlib.announce(sock)
    serverlib.serve_forever(sock, Server(args, log).handle, log)


if __name__ == "__main__":
    main()
