#!/usr/bin/env python3
"""Serves the web build of Pako Tumbo on the loopback address.

Only the page's own files are served: files directly in the folder whose
names end in .html, .js, .wasm, .wav, .png, .webmanifest or .record, each
with its type (.wasm as application/wasm, which streaming compilation needs,
and which the offline copy keeps). Sources and objects that the build keeps
in subfolders are never sent.

    serve.py FOLDER [--port N]     (port 0, the default 8080 taken: any free)
"""
import argparse
import functools
import http.server
import os
import posixpath
import sys
import threading
import urllib.parse

TYPES = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript; charset=utf-8",
    ".wasm": "application/wasm",
    ".wav": "audio/wav",
    ".png": "image/png",
    ".webmanifest": "application/manifest+json",
    ".record": "text/plain; charset=utf-8",
}


class Handler(http.server.SimpleHTTPRequestHandler):
    quiet = True

    def _allowed(self):
        path = urllib.parse.urlsplit(self.path).path
        if path == "/":
            path = "/index.html"
        name = posixpath.basename(path)
        if path != "/" + name or name.startswith("."):
            return None
        if posixpath.splitext(name)[1] not in TYPES:
            return None
        return name

    def send_head(self):
        name = self._allowed()
        full = os.path.join(self.directory, name) if name else None
        if not full or not os.path.isfile(full):
            self.send_error(404)
            return None
        f = open(full, "rb")
        size = os.fstat(f.fileno()).st_size
        self.send_response(200)
        self.send_header("Content-Type", TYPES[posixpath.splitext(name)[1]])
        self.send_header("Content-Length", str(size))
        # A rebuilt game is seen on the next reload.
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        return f

    def log_message(self, fmt, *args):
        if not self.quiet:
            super().log_message(fmt, *args)


class Server(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        # A page that goes away while a file is on its way (a reload, a
        # closed tab) is no fault of the server's.
        if isinstance(sys.exc_info()[1], ConnectionError):
            return
        super().handle_error(request, client_address)


def start(folder, port=0, quiet=True):
    """Starts serving folder on a thread; returns the server and its address."""
    handler = functools.partial(Handler, directory=os.path.abspath(folder))
    Handler.quiet = quiet
    server = Server(("127.0.0.1", port), handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d/" % server.server_address[1]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--port", type=int, default=8080)
    parser.add_argument("--verbose", action="store_true", help="log every request")
    args = parser.parse_args()
    if not os.path.isfile(os.path.join(args.folder, "index.html")):
        sys.exit("serve.py: no index.html in %s; build first" % args.folder)
    try:
        server, url = start(args.folder, args.port, quiet=not args.verbose)
    except OSError:
        if args.port == 0:
            raise
        server, url = start(args.folder, 0, quiet=not args.verbose)
    print("Pako Tumbo is served at %s (Ctrl+C stops)" % url, flush=True)
    try:
        threading.Event().wait()
    except KeyboardInterrupt:
        pass
    server.shutdown()


if __name__ == "__main__":
    main()
