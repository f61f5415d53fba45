"""Pages served from 127.0.0.1 on a free port, for the web tests and the web
measurement: each file at /<name>.html, cross-origin isolated (COOP and COEP),
so that performance.now() steps finely; no access log."""

import http.server
import threading
from pathlib import Path


def serve(pages):
    """Serves {name: path} from a thread until the caller shuts the server
    down; the server's port is server.server_port."""
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            path = pages.get(self.path.lstrip("/").removesuffix(".html"))
            if path is None:
                self.send_error(404)
                return
            body = Path(path).read_bytes()
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Cross-Origin-Opener-Policy", "same-origin")
            self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server
