"""The browser build's stage, for the tests and the benchmark alike: its site served as a
static host serves it (tools/serve-web.py), and Debian's Chromium showing the page."""
import os
import subprocess
import sys

TOOLS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CHROMIUM = '/usr/lib/chromium/chromium'  # Debian's, without its wrapper's flags


def serve_site(folder, port=0, delay_ms=0, max_age=None, etag=True, reports=None):
    """Starts serve-web.py on the folder (on `port`, or one it chooses); the server's
    process and the address it serves on."""
    server = subprocess.Popen(
        [sys.executable, os.path.join(TOOLS, 'serve-web.py'), folder, '--port', str(port),
         '--delay-ms', str(delay_ms)] + ['--max-age', str(max_age)] * (max_age is not None) +
        ['--no-etag'] * (not etag) + ['--reports', reports] * (reports is not None),
        stdout=subprocess.PIPE, text=True)
    return server, server.stdout.readline().strip()


def chromium_command(profile, url):
    """Chromium showing the page alone, filling a screen of 1024x768 or more, with its
    sound allowed from the start."""
    return [CHROMIUM, '--no-sandbox', '--no-first-run',
            '--no-default-browser-check', '--disable-extensions', '--disable-sync',
            '--password-store=basic', f'--user-data-dir={profile}', '--kiosk',
            '--window-position=0,0', '--window-size=1024,768',
            '--autoplay-policy=no-user-gesture-required', '--enable-logging=stderr', '--v=0', url]
