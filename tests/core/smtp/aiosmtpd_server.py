"""A real SMTP server for the interoperability test: aiosmtpd on 127.0.0.1 with a port chosen
by the system, AUTH LOGIN for one fixed user, storing what it receives. Given a certificate and
its key, it requires STARTTLS before anything else and offers AUTH only after it; without them
it speaks in clear text.

Usage: aiosmtpd_server.py STORE_DIR USER PASSWORD [CERT_FILE KEY_FILE]
Prints "PORT <n>" once it listens. Every accepted message is stored as STORE_DIR/envelope.txt
("AUTH <user>", "MAIL <address>", one "RCPT <address>" per recipient) and STORE_DIR/content.bin
(the data exactly as received, dot-stuffing removed). Runs until its standard input is closed
or it receives SIGTERM.
"""

import asyncio
import os
import signal
import ssl
import sys

try:
    from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword
except ImportError as error:  # CI installs python3-aiosmtpd; say so loudly when it is missing
    print(f"aiosmtpd is not available: {error}", file=sys.stderr, flush=True)
    sys.exit(3)


def main():
    store, user, password = sys.argv[1], sys.argv[2].encode(), sys.argv[3].encode()
    tls = None
    if len(sys.argv) > 5:
        tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        tls.load_cert_chain(sys.argv[4], sys.argv[5])

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (mechanism == "LOGIN" and isinstance(auth_data, LoginPassword)
              and auth_data.login == user and auth_data.password == password)
        return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)

    class Handler:
        async def handle_DATA(self, server, session, envelope):
            lines = [f"AUTH {session.auth_data.login.decode() if session.authenticated else '-'}",
                     f"MAIL {envelope.mail_from}"]
            lines += [f"RCPT {r}" for r in envelope.rcpt_tos]
            with open(os.path.join(store, "content.bin"), "wb") as f:
                f.write(envelope.original_content)
            with open(os.path.join(store, "envelope.txt"), "w") as f:
                f.write("\n".join(lines) + "\n")
            return "250 2.0.0 Stored"

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    handler = Handler()
    server = loop.run_until_complete(loop.create_server(
        lambda: SMTP(handler, hostname="interop.test", tls_context=tls,
                     require_starttls=tls is not None, auth_require_tls=tls is not None,
                     auth_required=True, authenticator=authenticator),
        host="127.0.0.1", port=0))
    print(f"PORT {server.sockets[0].getsockname()[1]}", flush=True)

    stop = loop.create_future()
    loop.add_signal_handler(signal.SIGTERM, lambda: stop.done() or stop.set_result(None))
    # The test keeps our standard input open; when it goes away, so do we.
    loop.add_reader(sys.stdin.fileno(),
                    lambda: (os.read(sys.stdin.fileno(), 4096) or stop.done() or
                             stop.set_result(None)))
    loop.run_until_complete(stop)
    server.close()
    loop.run_until_complete(server.wait_closed())
    loop.close()


if __name__ == "__main__":
    main()
