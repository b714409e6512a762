#!/usr/bin/python3
"""A well-behaved FTP server (pyftpdlib) for the integration tests.

Anonymous login (read-only) and one user with a password, both rooted in --root; passive and
active data connections. Logs every command and every finished or broken transfer:
  CONNECT <session> <peer>   COMMAND <session> <command line>   CLOSED <session>
  TRANSFER <session> <RETR|STOR|LIST...> <path> completed=<0|1> bytes=<n>
"""
import itertools
import logging
import os
import sys

import serverlib

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, PassiveDTP
from pyftpdlib.servers import ThreadedFTPServer


def parse_arguments():
    p = serverlib.common_arguments(__doc__.splitlines()[0])
    p.add_argument("--root", required=True, help="the folder served")
    p.add_argument("--user", default="user", help="the user name besides anonymous")
    p.add_argument("--password", default="secret", help="that user's password")
    p.add_argument("--no-anonymous", action="store_true", help="refuse anonymous logins")
    p.add_argument("--passive-ports", metavar="FROM-TO",
                   help="passive data ports (default: any free port)")
    p.add_argument("--writable", action="store_true", help="let the user upload and delete")
    p.add_argument("--ipv6", action="store_true", help="listen on ::1 instead of 127.0.0.1")
    return p.parse_args()


class PassiveListener(PassiveDTP):
    """pyftpdlib's passive listener on an IPv6 server closes a probe socket before it takes the
    descriptor out of its poller. In the threaded server another session may have reused that
    number for the file it sends by then, and the poller refuses a regular file with EPERM,
    which ends the session. The closed socket has left the poller already: nothing to undo."""

    def del_channel(self, map=None):
        try:
            super().del_channel(map)
        except PermissionError:
            pass


def make_handler(args, log):
    class LoggingHandler(FTPHandler):
        banner = "pyftpdlib ready"
        passive_dtp = PassiveListener
        permit_privileged_ports = True
        sessions = itertools.count(1)

        def on_connect(self):
            self.session = next(LoggingHandler.sessions)
            log.write("CONNECT %d %s:%d" % (self.session, self.remote_ip, self.remote_port))

        def on_disconnect(self):
            log.write("CLOSED %d" % getattr(self, "session", 0))

        def pre_process_command(self, line, cmd, arg):
            log.write("COMMAND %d %s" % (getattr(self, "session", 0), serverlib.printable(line)))
            return super().pre_process_command(line, cmd, arg)

        def log_transfer(self, cmd, filename, receive, completed, elapsed, bytes):
            root = os.path.realpath(args.root)
            shown = os.path.realpath(filename)
            if shown.startswith(root):
                shown = shown[len(root):] or "/"
            log.write("TRANSFER %d %s %s completed=%d bytes=%d" % (
                getattr(self, "session", 0), cmd, shown, 1 if completed else 0, bytes))

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root,
                        perm="elradfmwMT" if args.writable else "elr")
    if not args.no_anonymous:
        authorizer.add_anonymous(args.root, perm="elr")
    LoggingHandler.authorizer = authorizer
    if args.passive_ports:
        low, high = (int(x) for x in args.passive_ports.split("-"))
        LoggingHandler.passive_ports = range(low, high + 1)
    return LoggingHandler


def main():
    args = parse_arguments()
    serverlib.start_guards(args.max_lifetime)
    log = serverlib.EventLog(args.log)
    # pyftpdlib's own log goes to standard error; the event log above is what tests read.
    logging.basicConfig(stream=sys.stderr, level=logging.WARNING)
    host = "::1" if args.ipv6 else serverlib.HOST
    server = ThreadedFTPServer((host, args.port), make_handler(args, log))
    sys.stdout.write("%d\n" % server.socket.getsockname()[1])
    sys.stdout.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
