"""Pages served from 127.0.0.1 on a free port, for the web tests and the web
measurement, no access log: each page at /<name>.html, cross-origin isolated
(COOP and COEP), so that performance.now() steps finely; or a site's folder as
a static host serves it, / as index.html and each file with the 10 minutes a
browser may keep it that GitHub Pages allows (max-age=600). Files are read at
each request: a new deploy is new files in the folder."""

import http.server
import threading
from pathlib import Path

TYPES = {".html": "text/html; charset=utf-8", ".js": "text/javascript",
         ".webmanifest": "application/manifest+json", ".png": "image/png"}


def serve(pages=None, site=None, port=0):
    """Serves {name: path}, or the folder `site` ({file name: path} then
    stands in for some of its files), from a thread until the caller shuts
    the server down; the server's port is server.server_port, a free one
    unless `port` names it (the site served again, at the same origin)."""
    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            if site is None:
                path = pages.get(self.path.lstrip("/").removesuffix(".html"))
                headers = {"Cross-Origin-Opener-Policy": "same-origin",
                           "Cross-Origin-Embedder-Policy": "require-corp"}
            else:
                name = self.path.split("?")[0].lstrip("/") or "index.html"
                path = (pages or {}).get(name) or Path(site, name)
                path = path if "/" not in name and Path(path).is_file() else None
                headers = {"Cache-Control": "max-age=600"}
            if path is None:
                self.send_error(404)
                return
            body = Path(path).read_bytes()
            self.send_response(200)
            self.send_header("Content-Type", TYPES.get(Path(path).suffix, "text/html; charset=utf-8"))
            self.send_header("Content-Length", str(len(body)))
            for header, value in headers.items():
                self.send_header(header, value)
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server
