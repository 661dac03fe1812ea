#!/usr/bin/env python3
"""Stamps the browser game's site with its build: a digest of every file of the site
but the page (index.html) and the service worker (sw.js). The page's links to its
program and stylesheet carry it (ropi.js?v=BUILD), and so does the service worker,
with the game's files that the page names (<meta name="ropi-files">): a browser then
takes a new build whole, never a new script beside an old ropi.wasm. The page gets
a preload link for each of those files, so that they are asked for together with
the program. Run again whenever a file of the site has changed.
    stamp-site.py SITE
Prints the build."""
import hashlib
import json
import os
import re
import sys
import urllib.parse


def stamp(site):
    digest = hashlib.sha256()
    for name in sorted(os.listdir(site)):
        if name not in ('index.html', 'sw.js'):
            with open(os.path.join(site, name), 'rb') as f:
                digest.update(name.encode() + b'\0' + f.read())
    build = digest.hexdigest()[:16]
    page_path, worker_path = os.path.join(site, 'index.html'), os.path.join(site, 'sw.js')
    with open(page_path, encoding='utf-8') as f:
        page = f.read()
    page = re.sub(r'(href|src)="(ropi\.(?:css|js|wasm))(\?v=[0-9a-f]*)?"', rf'\1="\2?v={build}"',
                  page)
    files = json.loads(re.search(r'<meta name="ropi-files" content=\'([^\']*)\'>', page).group(1))
    # The game's files asked for beside the program, as page/files.js asks for them; after it,
    # since the window waits for the program alone.
    preload = '<link rel="preload" href="{}" as="fetch" crossorigin fetchpriority="low">\n'
    page = re.sub(preload.format('[^"]*'), '', page)
    page = page.replace('</head>', ''.join(preload.format(urllib.parse.quote(name, safe=''))
                                           for name in files) + '</head>')
    with open(worker_path, encoding='utf-8') as f:
        worker = f.read()
    worker = re.sub(r"^const BUILD = '[^']*';", f"const BUILD = '{build}';", worker, flags=re.M)
    worker = re.sub(r'^const FILES = \[[^\]]*\];',
                    f'const FILES = {json.dumps(files, ensure_ascii=False)};', worker, flags=re.M)
    for path, text in ((page_path, page), (worker_path, worker)):
        with open(path, 'w', encoding='utf-8') as f:
            f.write(text)
    return build


if __name__ == '__main__':
    print(stamp(sys.argv[1]))
