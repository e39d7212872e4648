"""A quiet HTTP server on 127.0.0.1 for the benchmarks that load pages."""
import http.server
import threading


class Handler(http.server.BaseHTTPRequestHandler):
    def reply(self, kind, body, headers=()):
        """Answers 200 with `body` of type `kind` and the extra `headers`."""
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        # A program ended while its page still loads drops its connections.
        pass


def start(handler):
    """Serves with `handler` (a subclass of Handler) on a free port in a
    thread of its own; returns the address of its root, without the slash."""
    server = Server(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return "http://127.0.0.1:%d" % server.server_address[1]
