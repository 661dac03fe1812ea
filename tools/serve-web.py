#!/usr/bin/env python3
"""Serves the browser game's folder on 127.0.0.1 only, as a plain static web host
serves it: with an ETag and a Last-Modified date, fresh for a while
(Cache-Control: max-age), and 304 Not Modified to a revalidation that finds the
file unchanged. --delay-ms holds back every answer by that long, as a host a
network round trip away would; --max-age sets how long the browser may keep a
file without asking (0: never, so that only the page's own store serves it with
no server); --no-etag leaves the ETag out, as many hosts do, which then tell a
changed file by its date alone. The page opened with ?report=1 tells this server
what a test needs to know of it (`/ropi-report?...`, as a beacon); each report
is appended, as it came, as a line to the --reports file.
    serve-web.py FOLDER [--port N] [--delay-ms N] [--max-age S] [--no-etag] [--reports FILE]
Prints the address it serves on as its first line."""
import argparse
import email.utils
import functools
import http.server
import os
import sys
import time
import urllib.parse

MAX_AGE = 600  # seconds, as a static host commonly keeps its files fresh


class Handler(http.server.SimpleHTTPRequestHandler):
    reports = None
    delay = 0.0
    max_age = MAX_AGE
    etag = True

    def send_head(self):
        """The answer's status and headers, after the round trip; a body to copy or None."""
        time.sleep(self.delay)
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            return super().send_head()
        try:
            stat = os.stat(path)
        except OSError:
            self.send_error(404, 'File not found')
            return None
        tag = f'"{stat.st_size:x}-{stat.st_mtime_ns:x}"' if self.etag else None
        modified = email.utils.formatdate(stat.st_mtime, usegmt=True)
        since = self.headers.get('If-Modified-Since')
        if tag and self.headers.get('If-None-Match') == tag or (
                since and 'If-None-Match' not in self.headers and
                email.utils.parsedate_to_datetime(since).timestamp() >= int(stat.st_mtime)):
            self.send_response(304)
            self.send_kept_for(tag)
            self.end_headers()
            return None
        body = open(path, 'rb')
        self.send_response(200)
        self.send_header('Content-Type', self.guess_type(path))
        self.send_header('Content-Length', str(stat.st_size))
        self.send_header('Last-Modified', modified)
        self.send_kept_for(tag)
        self.end_headers()
        return body

    def send_kept_for(self, tag):
        if tag:
            self.send_header('ETag', tag)
        self.send_header('Cache-Control', f'max-age={self.max_age}')

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
                f.write(url.query + '\n')  # as it came: a value may hold a line break
        self.send_response(204)
        self.end_headers()
        return True

    def log_message(self, *args):  # quiet: the tests read the reports, not the log
        pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('folder')
    parser.add_argument('--port', type=int, default=0)
    parser.add_argument('--delay-ms', type=float, default=0)
    parser.add_argument('--max-age', type=int, default=MAX_AGE)
    parser.add_argument('--no-etag', action='store_true')
    parser.add_argument('--reports')
    args = parser.parse_args()
    Handler.reports, Handler.delay = args.reports, args.delay_ms / 1000
    Handler.max_age, Handler.etag = args.max_age, not args.no_etag
    Handler.extensions_map = dict(Handler.extensions_map, **{
        '.wasm': 'application/wasm', '.js': 'text/javascript',
        '.webmanifest': 'application/manifest+json'})
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
