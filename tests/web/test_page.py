"""The browser game's page in headless Chromium, each scenario on a fresh copy
of the site served on 127.0.0.1: what the page promises beyond the game itself
(which the end-to-end scenarios play): it draws the window, a round runs on its
keys, the menus work by keyboard and mouse and never change a mark themselves,
the message box lets the timers tick behind it, the hold lasts until the cue is
heard, a bad picture is reported, and a page that cannot run says why. (The
error report of a missing picture, its status and its reports to the server
are the end-to-end scenario picture_gone's.)
Exits 77 (skipped) without Chromium, its driver or Debian's selenium."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SITE = os.environ.get('ROPI_SITE', os.path.join(ROOT, 'build-web', 'site'))
CHROMIUM, DRIVER = '/usr/bin/chromium', '/usr/bin/chromedriver'

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.keys import Keys
except ImportError:
    webdriver = None

sys.path.insert(0, os.path.join(ROOT, 'tests', 'e2e'))
from waiting import wait_until  # noqa: E402

NAVY, BUTTON_FACE = (0, 0, 128), (128, 128, 255)
WIDTH, HEIGHT = 1024, 768


class Page:
    """The game's page in a browser of its own, its site a copy that the test may change."""

    def __init__(self, query='', without=()):
        self.folder = tempfile.mkdtemp(prefix='ropi-page-')
        self.site = os.path.join(self.folder, 'site')
        shutil.copytree(SITE, self.site)
        for name in without:
            os.remove(os.path.join(self.site, name))
        self.reports = os.path.join(self.folder, 'reports')
        self.server = subprocess.Popen(
            [sys.executable, os.path.join(ROOT, 'tools', 'serve-web.py'), self.site,
             '--reports', self.reports], stdout=subprocess.PIPE, text=True)
        self.address = self.server.stdout.readline().strip()
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for argument in ('--headless=new', '--no-sandbox', '--disable-gpu',
                         '--autoplay-policy=no-user-gesture-required', '--lang=ja'):
            options.add_argument(argument)
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        self.driver = webdriver.Chrome(service=Service(DRIVER), options=options)
        # The viewport, the game's screen, is 1024 x 768.
        self.driver.set_window_size(WIDTH, HEIGHT)
        inner = self.js('return [innerWidth, innerHeight]')
        self.driver.set_window_size(2 * WIDTH - inner[0], 2 * HEIGHT - inner[1])
        self.driver.execute_cdp_cmd('Browser.grantPermissions', {
            'origin': self.address.rstrip('/'),
            'permissions': ['clipboardReadWrite', 'clipboardSanitizedWrite']})
        if query is not None:
            self.open(query)

    def open(self, query=''):
        self.driver.get(self.address + query)
        wait_until(lambda: self.state() != 'loading', 20, 'the page never left "loading"')

    def close(self):
        self.driver.quit()
        self.server.terminate()
        self.server.wait(10)
        shutil.rmtree(self.folder, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *error):
        if error[0] is not None:
            for entry in self.driver.get_log('browser'):
                print('browser:', entry['message'][:400], file=sys.stderr)
        self.close()

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def state(self):
        return self.js('return document.body.dataset.state')

    def keys(self, *keys):
        chain = ActionChains(self.driver)
        for key in keys:
            if isinstance(key, tuple):  # a key held down around others
                chain.key_down(key[0])
                for k in key[1:]:
                    chain.send_keys(k)
                chain.key_up(key[0])
            else:
                chain.send_keys(key)
        chain.perform()

    def labels(self):
        return self.js('return [...document.querySelectorAll(".ropi-label")]'
                       '.map(e => e.textContent)')

    def label(self, prefix):
        return next((t for t in self.labels() if t.startswith(prefix)), None)

    def cat(self):
        """Where the cat is drawn (its left edge in CSS pixels), or None when hidden."""
        return self.js('var c = document.querySelector(".ropi-image");'
                       'return c.hidden ? null : c.getBoundingClientRect().left')

    def marks(self):
        """The menu's entries that carry a mark, by their text."""
        return self.js('return [...document.querySelectorAll("[aria-checked=true]")]'
                       '.map(e => e.getAttribute("aria-label"))')

    def hot(self):
        return self.js('var e = document.activeElement; return e && e.getAttribute("aria-label")')

    def clipboard(self):
        return self.driver.execute_async_script(
            'var done = arguments[0]; navigator.clipboard.readText().then(done, () => done(null))')

    def pixel(self, x, y):
        """The screenshot's colour at a CSS pixel of the viewport."""
        png = self.driver.get_screenshot_as_png()
        ppm = subprocess.run(['convert', 'png:-', '-depth', '8', 'ppm:-'], input=png,
                             capture_output=True, check=True).stdout
        width = int(ppm.split(maxsplit=3)[1])
        data = ppm[len(ppm) - width * int(ppm.split(maxsplit=3)[2]) * 3:]
        i = (y * width + x) * 3
        return tuple(data[i:i + 3])

    def reported(self):
        """What the page told the server (with ?report=1), in order."""
        if not os.path.exists(self.reports):
            return []
        with open(self.reports, encoding='utf-8') as f:
            return [line.strip() for line in f]

    def exit_status(self):
        return self.js('return [document.body.dataset.exitStatus, window.ropiExitStatus]')


def the_window_draws():
    with Page() as page:
        assert page.state() == 'running'
        assert page.driver.title == 'ろぴぽあゲーム'
        assert page.js('return document.querySelector("link[rel=icon]").href').endswith('ropi.png')
        assert '[ Space ]：スタート' in page.labels() and page.label('TIME') == 'TIME 120'
        # The navy panel fills the top third of the client area below the menu bar.
        assert page.pixel(512, 240) == NAVY and page.pixel(512, 400) == (0, 0, 0)
        # The button's face is its own colour, its caption greyed; its edge raised.
        face = page.js('var r = document.querySelector(".ropi-button").getBoundingClientRect();'
                       'return [r.left, r.top, r.width, r.height]')
        assert page.pixel(int(face[0] + 6), int(face[1] + face[3] / 2)) == BUTTON_FACE
        assert page.pixel(int(face[0]), int(face[1] + 2)) > page.pixel(
            int(face[0] + face[2] - 1), int(face[1] + 2)), 'the edge is not raised'
        # The page never scrolls: the window is the viewport.
        assert page.js('return document.documentElement.scrollHeight') <= HEIGHT
        assert page.js('var r = document.querySelector(".ropi-window").getBoundingClientRect();'
                       'return [r.width, r.height]') == [WIDTH, HEIGHT]
        # The names a screen reader reads.
        assert page.js('return document.querySelector("[role=menubar] [role=menuitem]")'
                       '.getAttribute("aria-label")') == '終了(X)'
        # A resize scales the window as a whole, the same layout, and still no scrolling.
        page.driver.set_window_size(*[v // 2 for v in page.driver.get_window_size().values()])
        wait_until(lambda: page.js('return document.querySelector(".ropi-window")'
                                   '.getBoundingClientRect().width') < WIDTH, 5, 'no scaling')
        assert page.label('TIME') == 'TIME 120'


def a_round_runs_and_a_shot_holds_until_heard():
    with Page() as page:
        page.keys('4', ' ')
        places = set()
        wait_until(lambda: places.add(page.cat()) or len(places - {None}) >= 3, 10,
                   'the cat does not move')
        # A shot: the chime or the buzzer is heard to its end (0.5 or 0.4 s) before the score
        # shows; an F pressed meanwhile is taken afterwards, in order.
        start = time.monotonic()
        page.keys('f', 'j')
        score = wait_until(lambda: (lambda s: s and s != '' and s)(page.label('得点')), 10,
                           'no score after a shot')
        first = time.monotonic() - start
        assert first >= 0.38, f'the score showed {first:.2f} s after the shot'
        assert score in ('得点  10', '得点 -10'), score
        second = wait_until(lambda: page.label('得点') if page.label('得点') != score and
                            time.monotonic() - start > 0.75 else None, 10, 'no second shot')
        assert second in ('得点  20', '得点  0', '得点 -20'), second
        assert wait_until(page.clipboard, 5, 'nothing on the clipboard') == second
        wait_until(lambda: page.js('return document.getElementById("ropi-announce").textContent')
                   == second, 5, 'the score was not announced')
        page.keys(Keys.ESCAPE)
        wait_until(lambda: page.state() == 'ended', 5, 'Esc did not end the game')
        assert page.exit_status() == ['0', 0]
        assert page.js('return document.querySelector(".ropi-window")') is None


def menus_by_keyboard_and_mouse():
    with Page() as page:
        assert sorted(page.marks()) == ['おそい', 'ろぴちゃんがみえる']
        # Alt alone enters the bar; arrows move, past the separator; Enter chooses.
        page.keys(Keys.ALT)
        assert page.hot() == '終了(X)'
        page.keys(Keys.ARROW_RIGHT, Keys.ARROW_DOWN)
        assert page.hot() == 'ろぴちゃんのすばやさ'
        page.keys(Keys.ARROW_UP)
        assert page.hot() == 'ろぴちゃんがみえる', 'the separator took the highlight'
        page.keys(Keys.ARROW_DOWN, Keys.ARROW_RIGHT)
        assert page.hot() == 'おそい'
        page.keys(Keys.ARROW_DOWN, Keys.ARROW_DOWN, Keys.ENTER)
        wait_until(lambda: sorted(page.marks()) == ['はやい', 'ろぴちゃんがみえる'], 5,
                   f'はやい was not chosen: {page.marks()}')
        assert page.js('return document.querySelector(".ropi-menu:not([hidden])")') is None
        # The keys are the game's again: Space starts a round.
        page.keys(' ')
        wait_until(lambda: page.label('TIME') == 'TIME 119', 5, 'Space did not start a round')
        # F10 enters too; Esc closes the menu, then leaves the bar.
        page.keys(Keys.F10, Keys.ARROW_RIGHT, Keys.ENTER)
        assert page.hot() == 'ろぴちゃんのすばやさ'
        page.keys(Keys.ESCAPE)
        assert page.hot() == 'せってい'
        page.keys(Keys.ESCAPE)
        assert page.js('return document.activeElement.className') == 'ropi-window'
        # By mouse: the mark of the cat's visibility changes only as the game says.
        settings = page.driver.find_element('css selector', '[aria-label="せってい"]')
        ActionChains(page.driver).click(settings).perform()
        seen = page.driver.find_element('css selector', '[aria-label="ろぴちゃんがみえる"]')
        ActionChains(page.driver).click(seen).perform()
        wait_until(lambda: page.marks() == ['はやい'], 5, f'the mark stayed: {page.marks()}')
        wait_until(lambda: page.cat() is None, 5, 'the cat still shows')
        # A menu open does not stop the clock.
        ActionChains(page.driver).click(settings).perform()
        time_before = page.label('TIME')
        wait_until(lambda: page.label('TIME') != time_before, 3, 'no tick behind the menu')
        page.keys((Keys.ALT, 'x'))
        wait_until(lambda: page.state() == 'ended', 5, 'Alt+X did not end the game')
        assert page.exit_status() == ['0', 0]


def the_version_box_lets_the_clock_run():
    with Page() as page:
        page.keys(' ')
        page.keys((Keys.ALT, 'v'))
        wait_until(lambda: page.js('return document.querySelector("dialog[open]")'), 5, 'no box')
        assert page.js('return document.getElementById("ropi-box-title").textContent') == \
            'バージョン情報'
        text = page.js('return document.getElementById("ropi-box-text").textContent')
        assert text.startswith('ろぴぽ～ゲーム\n\nバージョン1.0'), text
        time_before = page.label('TIME')
        wait_until(lambda: page.label('TIME') != time_before, 3, 'no tick behind the box')
        page.keys('5')  # the box's, not the game's
        page.keys(Keys.ENTER)
        wait_until(lambda: not page.js('return document.querySelector("dialog[open]")'), 5,
                   'Enter did not close the box')
        assert 'ろぴちゃんがみえる' in page.marks()
        page.keys((Keys.ALT, 'x'))
        wait_until(lambda: page.state() == 'ended', 5, 'Alt+X did not end the game')


def a_bad_picture_is_reported_as_such():
    with Page() as page:
        with open(os.path.join(page.site, 'Cat.gif'), 'wb') as f:
            f.write(b'GIF89a\x10\x00\x10\x00' + b'\xff' * 200)  # a GIF's start, then no picture
        page.keys(' ')
        wait_until(lambda: page.js('return document.querySelector("dialog[open]")'), 10, 'no report')
        assert page.js('return document.getElementById("ropi-box-text").textContent') == \
            "実行時エラー '481':\n\nピクチャが不正です。\nCat.gif"
        page.keys(' ')  # Space closes the box, as its button
        wait_until(lambda: page.state() == 'ended', 5, 'the report did not end the game')
        assert page.exit_status() == ['1', 1]


def a_page_that_cannot_run_says_so():
    with Page(without=['ropi.wasm']) as page:
        assert page.state() == 'missing', page.state()
        assert page.js('return document.querySelector(".ropi-note[data-for=missing]")'
                       '.offsetHeight') > 0
    with Page(query=None) as page:
        page.driver.get('file://' + urllib.parse.quote(os.path.join(page.site, 'index.html')))
        wait_until(lambda: page.state() == 'file', 10, 'no word about file://')
        # A browser without WebAssembly, or without Web Audio.
        for missing, state in (('WebAssembly', 'no-wasm'), ('AudioContext', 'no-audio')):
            script = page.driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {
                'source': f'delete window.{missing}; delete window.webkit{missing};'})
            page.open()
            assert page.state() == state, f'without {missing}: {page.state()}'
            page.driver.execute_cdp_cmd('Page.removeScriptToEvaluateOnNewDocument',
                                        {'identifier': script['identifier']})


SCENARIOS = [the_window_draws, a_round_runs_and_a_shot_holds_until_heard,
             menus_by_keyboard_and_mouse, the_version_box_lets_the_clock_run,
             a_bad_picture_is_reported_as_such,
             a_page_that_cannot_run_says_so]

if __name__ == '__main__':
    if webdriver is None or not (os.path.exists(CHROMIUM) and os.path.exists(DRIVER)):
        print('skipped: no Chromium, chromedriver or selenium')
        sys.exit(77)
    chosen = [s for s in SCENARIOS if not sys.argv[1:] or s.__name__ in sys.argv[1:]]
    failed = 0
    for scenario in chosen:
        start = time.monotonic()
        try:
            scenario()
            print(f'PASS {scenario.__name__} ({time.monotonic() - start:.1f} s)', flush=True)
        except Exception as error:  # every scenario runs; the count says how many failed
            failed += 1
            print(f"FAIL {scenario.__name__}: {error!r}", flush=True)
            traceback.print_exc()
    print(f'{len(chosen) - failed} passed, {failed} failed')
    sys.exit(1 if failed else 0)
