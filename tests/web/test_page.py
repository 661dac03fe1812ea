"""The browser game's page in headless Chromium, on a fresh copy of the site
served on 127.0.0.1: only what neither the end-to-end scenarios, which play the
same page in Chromium, nor the backend's own tests (tst_web), nor the touch test's
pictures of the desktop page (test_touch.py) see: a shot's hold and its announcement, the menus, the clock behind a box or
a menu, a picture that is no picture, a page that cannot run saying why, a visit
that starts from the copy kept however far the server, and a cue changed on the
server played, converted and kept anew.

Each promise is a function of its own, run in turn on one browser (each starts
from what the one before left, or from the page loaded afresh after a failure);
the program reports each by name and fails with the list of those that failed.
    test_page.py [PROMISE...]
Exits 77 (skipped) without Chromium, its driver or Debian's selenium."""
import os
import shutil
import struct
import sys
import tempfile
import time
import traceback
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SITE = os.environ.get('ROPI_SITE', os.path.join(ROOT, 'build-web', 'site'))
DRIVER = '/usr/bin/chromedriver'

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.keys import Keys
except ImportError:
    webdriver = None

sys.path.insert(0, os.path.join(ROOT, 'tools', 'stage'))
from browser import CHROMIUM, serve_site  # noqa: E402
from waiting import wait_until  # noqa: E402

WIDTH, HEIGHT = 1024, 768

# What every page here records: each voice it starts, as [when, its buffer's length in
# seconds], how many buffers it has made, and each file it took up as changed or gone.
WATCH = """
window.sounds = [];
window.buffersMade = 0;
window.changed = [];
var start = AudioBufferSourceNode.prototype.start;
AudioBufferSourceNode.prototype.start = function () {
  sounds.push([performance.now(), this.buffer.duration]);
  return start.apply(this, arguments);
};
var createBuffer = BaseAudioContext.prototype.createBuffer;
BaseAudioContext.prototype.createBuffer = function () {
  buffersMade++;
  return createBuffer.apply(this, arguments);
};
addEventListener('ropi-file', e => changed.push(e.detail.name + ' ' + e.detail.change));
"""


class Page:
    """The game's page in a browser of its own, its site a copy that the test may change."""

    def __init__(self, autoplay=True, etag=True):
        self.folder = tempfile.mkdtemp(prefix='ropi-page-')
        self.site = os.path.join(self.folder, 'site')
        shutil.copytree(SITE, self.site)
        self.etag, self.server, self.address = etag, None, ''
        self.serve()
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for argument in ('--headless=new', '--no-sandbox', '--disable-gpu', '--lang=ja'):
            options.add_argument(argument)
        if autoplay:  # else the sound waits for the player's first gesture, as a browser has it
            options.add_argument('--autoplay-policy=no-user-gesture-required')
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        self.driver = webdriver.Chrome(service=Service(DRIVER), options=options)
        self.driver.set_page_load_timeout(60)
        self.driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': WATCH})
        # The viewport, the game's screen, is 1024 x 768.
        self.driver.set_window_size(WIDTH, HEIGHT)
        inner = self.js('return [innerWidth, innerHeight]')
        self.driver.set_window_size(2 * WIDTH - inner[0], 2 * HEIGHT - inner[1])
        self.open()

    def serve(self, delay_ms=0):
        """Serves the site anew, on the port it had, each answer delay_ms late; None: no more."""
        if self.server:
            self.server.terminate()
            self.server.wait(10)
            self.server = None
        if delay_ms is not None:
            port = self.address.rstrip('/').rsplit(':', 1)[-1] or '0'
            self.server, self.address = serve_site(self.site, port, delay_ms, etag=self.etag)

    def open(self, within=20):
        self.driver.get(self.address)
        wait_until(lambda: self.state() != 'loading', within, 'the page never left "loading"')

    def kept(self):
        """Once the service worker keeps the site."""
        wait_until(lambda: self.js('return document.body.dataset.offline') == 'ready', 30,
                   'the service worker never kept the site')

    def __enter__(self):
        return self

    def __exit__(self, *error):
        if error[0] is not None:
            for entry in self.driver.get_log('browser'):
                print('browser:', entry['message'][:400], file=sys.stderr)
        self.driver.quit()
        self.serve(None)
        shutil.rmtree(self.folder, ignore_errors=True)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def state(self):
        return self.js('return document.body.dataset.state')

    def keys(self, *keys):
        ActionChains(self.driver).send_keys(*keys).perform()

    def label(self, prefix):
        return self.js('return [...document.querySelectorAll(".ropi-label")]'
                       '.map(e => e.textContent).find(t => t.startsWith(arguments[0]))', prefix)

    def marks(self):
        """The menu's entries that carry a mark, by their text."""
        return self.js('return [...document.querySelectorAll("[aria-checked=true]")]'
                       '.map(e => e.getAttribute("aria-label"))')

    def hot(self):
        return self.js('var e = document.activeElement; return e && e.getAttribute("aria-label")')

    def composing(self, code):
        """A key pressed while an input method composes: the browser says only where it is."""
        for kind in ('rawKeyDown', 'keyUp'):
            self.driver.execute_cdp_cmd('Input.dispatchKeyEvent', {
                'type': kind, 'code': code, 'key': 'Process', 'windowsVirtualKeyCode': 229})

    def box(self):
        """The open message box's text, or None."""
        return self.js('return document.querySelector("dialog[open]") &&'
                       ' document.getElementById("ropi-box-text").textContent')

    def ticks(self, where):
        """The clock shows another second within three."""
        time_before = self.label('TIME')
        wait_until(lambda: self.label('TIME') != time_before, 3, f'no tick behind {where}')


def installable(page):
    assert page.driver.title == 'ろぴぽあゲーム'
    assert page.js('return document.querySelector("link[rel=icon]").href').endswith('ropi.png')
    page.kept()
    errors = page.driver.execute_cdp_cmd('Page.getInstallabilityErrors', {})
    assert errors['installabilityErrors'] == [], errors


def visit_from_the_copy_kept(page):
    """Once kept, the page is drawn again without waiting for the server, however far it
    is: here a round trip far longer than the deadline."""
    page.kept()
    page.serve(delay_ms=600_000)
    try:
        page.open(within=30)
        wait_until(lambda: page.state() == 'running', 30, 'the window waited for the server')
    finally:
        page.serve()


def menus_by_keys(page):
    """Alt alone enters the bar; arrows move, past the separator; Enter chooses."""
    assert sorted(page.marks()) == ['おそい', 'ろぴちゃんがみえる']
    page.keys(Keys.ALT)
    assert page.hot() == '終了(X)'
    page.keys(Keys.ARROW_RIGHT, Keys.ARROW_DOWN)
    assert page.hot() == 'ろぴちゃんのすばやさ'
    page.keys(Keys.ARROW_UP)
    assert page.hot() == '音のずれをはかる…'
    page.keys(Keys.ARROW_UP, Keys.ARROW_UP)
    assert page.hot() == 'ろぴちゃんのすばやさ', 'the separator took the highlight'
    page.keys(Keys.ARROW_RIGHT)
    assert page.hot() == 'おそい'
    page.keys(Keys.ARROW_DOWN, Keys.ARROW_DOWN, Keys.ENTER)
    wait_until(lambda: sorted(page.marks()) == ['はやい', 'ろぴちゃんがみえる'], 5,
               f'はやい was not chosen: {page.marks()}')
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


def menus_by_mouse(page):
    """The mark of the cat's visibility changes only as the game says; an open menu does not
    stop the clock."""
    if page.label('TIME') == 'TIME 120':
        page.keys(' ')
    speed = [mark for mark in page.marks() if mark != 'ろぴちゃんがみえる']
    settings = page.driver.find_element('css selector', '[aria-label="せってい"]')
    ActionChains(page.driver).click(settings).perform()
    seen = page.driver.find_element('css selector', '[aria-label="ろぴちゃんがみえる"]')
    ActionChains(page.driver).click(seen).perform()
    wait_until(lambda: page.marks() == speed, 5, f'the mark stayed: {page.marks()}')
    wait_until(lambda: page.js('return document.querySelector(".ropi-image").hidden'), 5,
               'the cat still shows')
    ActionChains(page.driver).click(settings).perform()
    page.ticks('the open menu')
    page.keys(Keys.ESCAPE, Keys.ESCAPE)


def shots_held(page):
    """The first shot's chime or buzzer is heard to its end (0.5 or 0.4 s) before the score
    shows; a J pressed meanwhile is taken afterwards, in order; each score is announced."""
    start = time.monotonic()
    page.keys('f', 'j')
    score = wait_until(lambda: page.label('得点'), 10, 'no score after a shot')
    first = time.monotonic() - start
    assert first >= 0.38, f'the score showed {first:.2f} s after the shot'
    assert score in ('得点  10', '得点 -10'), score
    second = wait_until(lambda: page.label('得点') if page.label('得点') != score and
                        time.monotonic() - start > 0.75 else None, 10, 'no second shot')
    wait_until(lambda: page.js('return document.getElementById("ropi-announce").textContent')
               == second, 5, 'the score was not announced')


def version_box(page):
    """The version box keeps the keys, not the clock."""
    if page.label('TIME') == 'TIME 120':
        page.keys(' ')
    marks = page.marks()
    ActionChains(page.driver).key_down(Keys.ALT).send_keys('v').key_up(Keys.ALT).perform()
    text = wait_until(page.box, 5, 'no version box')
    assert text == 'ろぴぽ～ゲーム\n\nバージョン1.0\n制作：ろぴ開発チーム', text
    page.ticks('the version box')
    page.keys('5', Keys.ENTER)  # the 5 is the box's, not the game's
    wait_until(lambda: page.box() is None, 5, 'Enter did not close the box')
    assert page.marks() == marks, 'the 5 changed the cat'


def input_method(page):
    """A Japanese input method switched on: the keys still count by their place."""
    score = page.label('得点')
    page.composing('Digit4')
    page.composing('KeyJ')
    wait_until(lambda: 'すごくはやい' in page.marks(), 5, f'4 was not taken: {page.marks()}')
    wait_until(lambda: page.label('得点') != score, 10, 'J did not shoot')


def hold_until_heard(page):
    """The hold lasts until the cue is heard: past its end by the sound's output latency,
    here a fifth of a second, within the quarter second the hold may outlast its cue."""
    latency = page.driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {
        'source': "Object.defineProperty(AudioContext.prototype, 'outputLatency', "
                  "{get: () => 0.2})"})
    try:
        page.open()
        start = time.monotonic()
        page.keys('f')  # a miss, before any jump: the buzzer, 0.4 s
        wait_until(lambda: page.label('得点'), 10, 'no score after a shot')
        held = time.monotonic() - start
        assert held >= 0.58, f'the score showed {held:.2f} s after the shot, before it was heard'
    finally:
        page.driver.execute_cdp_cmd('Page.removeScriptToEvaluateOnNewDocument',
                                    {'identifier': latency['identifier']})


def picture_no_picture(page):
    """A picture that the browser cannot decode; Space, the box's button, ends the game. A
    round start takes the copy the page keeps and asks the server for it again: the start
    after it has the new one."""
    with open(os.path.join(page.site, 'Cat.gif'), 'wb') as f:
        f.write(b'GIF89a\x10\x00\x10\x00' + b'\xff' * 200)  # a GIF's start, then no picture
    wait_until(lambda: page.js('return changed').count('Cat.gif changed') or page.keys(' '),
               25, 'the page never took up the new Cat.gif', every=1)
    if page.box() is None:  # no start has had the new one yet
        page.keys(' ')
    assert wait_until(page.box, 10, 'no report') == \
        "実行時エラー '481':\n\nピクチャが不正です。\nCat.gif"
    page.keys(' ')
    wait_until(lambda: page.state() == 'ended', 5, 'the report did not end the game')
    assert page.js('return document.body.dataset.exitStatus') == '1'
    assert page.js('return document.querySelector(".ropi-window")') is None


def cannot_run(page):
    """A page that cannot run says why: opened as a file, in a browser without WebAssembly
    or without Web Audio, and with its program missing."""
    page.driver.get('file://' + urllib.parse.quote(os.path.join(page.site, 'index.html')))
    wait_until(lambda: page.state() == 'file', 10, 'no word about file://')
    for missing, state in (('WebAssembly', 'no-wasm'), ('AudioContext', 'no-audio')):
        script = page.driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {
            'source': f'delete window.{missing}; delete window.webkit{missing};'})
        page.open()
        assert page.state() == state, f'without {missing}: {page.state()}'
        page.driver.execute_cdp_cmd('Page.removeScriptToEvaluateOnNewDocument',
                                    {'identifier': script['identifier']})
    # Nothing of the site kept: neither the service worker's copy nor the browser's cache.
    os.remove(os.path.join(page.site, 'ropi.wasm'))
    page.driver.execute_cdp_cmd('Storage.clearDataForOrigin', {
        'origin': page.address.rstrip('/'), 'storageTypes': 'service_workers,cache_storage'})
    page.driver.execute_cdp_cmd('Network.clearBrowserCache', {})
    page.open()
    assert page.state() == 'missing', page.state()
    assert page.js('return document.querySelector(".ropi-note[data-for=missing]")'
                   '.offsetHeight') > 0


def a_cue_changed(etag):
    """A cue replaced on the server during a round is taken up and played in its new form, and
    kept by the service worker: the next visit, with no server, plays the new one. Each cue's
    bytes are converted once, however often it plays."""
    with Page(etag=etag) as page:
        page.kept()
        page.keys('4', ' ')
        frames = 2400  # the middle column's cue, 50 ms long: no other lasts as long
        with open(os.path.join(page.site, 'Cat2.wav'), 'wb') as f:
            f.write(b'RIFF' + struct.pack('<I', 36 + 4 * frames) + b'WAVEfmt ' +
                    struct.pack('<IHHIIHH', 16, 1, 2, 48000, 4 * 48000, 4, 16) + b'data' +
                    struct.pack('<I', 4 * frames) + struct.pack('<hh', 8000, 8000) * frames)
        new = f'return sounds.some(s => Math.abs(s[1] - {frames / 48000}) < 0.001)'
        wait_until(lambda: 'Cat2.wav changed' in page.js('return changed'), 30,
                   'the page never took up the new Cat2.wav')
        wait_until(lambda: page.js(new), 20, 'the new Cat2.wav was never played')
        # The cat's five cues and the changed one: six buffers, however often each plays.
        played, made = wait_until(lambda: (lambda n: n[0] > 20 and n)(
            page.js('return [sounds.length, buffersMade]')), 20, 'the cat stopped jumping')
        assert made <= 6, f'{made} buffers made for {played} cues played'
        page.serve(None)
        page.open()
        page.keys('4', ' ')
        wait_until(lambda: page.js(new), 20, 'the service worker kept the old Cat2.wav')


def a_cue_changed_by_its_etag(page):
    a_cue_changed(etag=True)


def a_cue_changed_by_its_date(page):
    """A host that gives no ETag tells a changed file by its Last-Modified date alone."""
    a_cue_changed(etag=False)


# In this order, on one browser.
PROMISES = [installable, visit_from_the_copy_kept, menus_by_keys, menus_by_mouse,
            shots_held, version_box, input_method, hold_until_heard, picture_no_picture,
            cannot_run, a_cue_changed_by_its_etag, a_cue_changed_by_its_date]


def main(names):
    chosen = [check for check in PROMISES if not names or check.__name__ in names]
    failed = []
    with Page() as page:
        for check in chosen:
            try:
                check(page)
                print('PASS', check.__name__, flush=True)
            except Exception:  # noqa: BLE001 - reported, and the next promise goes on
                traceback.print_exc()
                print('FAIL', check.__name__, flush=True)
                failed.append(check.__name__)
                page.serve()
                page.open()
    print(f'{len(chosen) - len(failed)} passed, {len(failed)} failed')
    if failed:
        print('failed:', ', '.join(failed))
    return 1 if failed else 0


if __name__ == '__main__':
    if webdriver is None or not (os.path.exists(CHROMIUM) and os.path.exists(DRIVER)):
        print('skipped: no Chromium, chromedriver or selenium')
        sys.exit(77)
    sys.exit(main(sys.argv[1:]))
