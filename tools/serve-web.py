#!/usr/bin/env python3
"""Serves the browser game's folder on 127.0.0.1 only, as any static web server
would, but never from a cache: the game reads its picture and cues anew at every
read, as the desktop game reads its folder. The page opened with ?report=1 tells
this server what a test needs to know of it (`/ropi-report?...`, as a beacon);
each report is appended as a line to the --reports file.
    serve-web.py FOLDER [--port N] [--reports FILE]
Prints the address it serves on as its first line."""
import argparse
import functools
import http.server
import sys
import urllib.parse


class Handler(http.server.SimpleHTTPRequestHandler):
    reports = None

    def end_headers(self):
        self.send_header('Cache-Control', 'no-store')
        super().end_headers()

    def do_POST(self):
        self.report()

    def do_GET(self):
        if not self.report():
            super().do_GET()

    def report(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path != '/ropi-report':
            return False
        length = int(self.headers.get('Content-Length') or 0)
        self.rfile.read(length)
        if self.reports:
            with open(self.reports, 'a', encoding='utf-8') as f:
                f.write(urllib.parse.unquote(url.query) + '\n')
        self.send_response(204)
        self.end_headers()
        return True

    def log_message(self, *args):  # quiet: the tests read the reports, not the log
        pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('folder')
    parser.add_argument('--port', type=int, default=0)
    parser.add_argument('--reports')
    args = parser.parse_args()
    Handler.reports = args.reports
    Handler.extensions_map = dict(Handler.extensions_map, **{'.wasm': 'application/wasm',
                                                             '.js': 'text/javascript'})
    server = http.server.ThreadingHTTPServer(
        ('127.0.0.1', args.port), functools.partial(Handler, directory=args.folder))
    print(f'http://127.0.0.1:{server.server_address[1]}/', flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == '__main__':
    sys.exit(main())
