"""The page on phones and tablets as Chromium emulates them through the DevTools
protocol (a mobile viewport at twice the pixels, touch instead of a mouse), and
the desktop page beside it, which touch must leave as it was.

  desktop: today's page at 1024 x 768 by mouse and keys, its screenshots pixel for
    pixel those in tests/web/desktop/, taken before touch came to the page; then
    its first touch, which brings the touch bar. A
    stored picture, not a second load with touch switched off: the fitting of
    captions is the page's for every screen, so only a picture of the page as it
    was tells that nothing moved.
  round: a whole round by touch on a phone: speeds, the cat hidden, shots judged
    the moment the finger lands, the screen turned and every size looked at, the
    round's end, the reset, the version box and the way out.
  fingers: the first touch lets the sound play. (A double tap's zoom is not
    looked at: Chromium's emulation zooms on none, whatever the page says.)

Screenshots of every size go to ROPI_E2E_ARTIFACTS/touch/ (or the temporary
folder). Exits 77 (skipped) without Chromium, its driver or Debian's selenium."""
import base64
import itertools
import os
import subprocess
import sys
import tempfile
import time

from test_page import CHROMIUM, DRIVER, ActionChains, Keys, Page, wait_until, webdriver

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, 'desktop')
SHOTS = os.path.join(os.environ.get('ROPI_E2E_ARTIFACTS', tempfile.gettempdir()), 'touch')
SIZES = [(390, 844), (844, 390), (360, 640), (640, 360), (768, 1024), (1024, 768), (1366, 1024),
         (1024, 1366)]

# The page's audio contexts, and the screen lock's requests and releases (test_page.WATCH has
# the sounds).
RECORDER = """
window.contexts = [];
var Context = AudioContext;
window.AudioContext = function (options) {
  var context = new Context(options);
  contexts.push(context);
  return context;
};
window.wakeLog = [];
Object.defineProperty(navigator, 'wakeLock', {value: {request: function (type) {
  wakeLog.push('request ' + type);
  var lock = new EventTarget();
  lock.release = function () { wakeLog.push('release'); return Promise.resolve(); };
  return Promise.resolve(lock);
}}});
"""

# Each caption's box, whether its text fits it, and the boxes of the bar, the menu bar and
# the window, in CSS pixels of the viewport.
LOOKS = """
var box = e => { var r = e.getBoundingClientRect();
                 return [r.left, r.top, r.right, r.bottom]; };
var shown = e => e.offsetParent !== null;
var text = e => e.localName === 'button' && e.firstChild ? e.firstChild : e;
return {
  captions: [...document.querySelectorAll('.ropi-label, .ropi-button')].filter(shown).map(e => ({
    text: e.textContent, box: box(e),
    whole: e.scrollWidth <= e.clientWidth && e.scrollHeight <= e.clientHeight &&
           text(e).offsetWidth <= e.clientWidth && text(e).offsetHeight <= e.clientHeight})),
  targets: [...document.querySelectorAll('.ropi-touch-key, .ropi-menubar > .ropi-menu-entry,'
      + ' .ropi-menu:not([hidden]) > .ropi-menu-entry, .ropi-button, .ropi-box-button')]
      .filter(shown).map(e => ({
    text: e.getAttribute('aria-label') || e.textContent, box: box(e),
    whole: !!e.querySelector('.ropi-menu') || e.scrollWidth <= e.clientWidth})),
  window: box(document.querySelector('.ropi-window')),
  bar: box(document.querySelector('.ropi-touchbar')),
  view: [innerWidth, innerHeight],
  cat: (c => [c.offsetWidth, c.offsetHeight])(document.querySelector('.ropi-image'))
};"""


def overlap(a, b):
    return min(a[2], b[2]) - max(a[0], b[0]) > 0.5 and min(a[3], b[3]) - max(a[1], b[1]) > 0.5


class Phone:
    """The page in a browser that plays a phone: a viewport of CSS pixels at twice the
    device pixels, touch points for a pointer, fingers put down and lifted by the test."""

    def __init__(self, page):
        self.page, self.driver = page, page.driver
        self.driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': RECORDER})
        self.driver.execute_cdp_cmd('Emulation.setTouchEmulationEnabled',
                                    {'enabled': True, 'maxTouchPoints': 5})

    def turn(self, width, height, load=False):
        self.driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', {
            'width': width, 'height': height, 'deviceScaleFactor': 2, 'mobile': True})
        if load:
            self.page.open()
            wait_until(lambda: self.page.state() == 'running', 20, 'the game did not start')
        wait_until(lambda: self.page.js('return [innerWidth, innerHeight]') == [width, height], 5,
                   f'the viewport did not become {width} x {height}')

    def centre(self, selector, text=None):
        return self.page.js("""
            var e = [...document.querySelectorAll(arguments[0])]
                .find(e => arguments[1] === null || e.textContent === arguments[1]);
            if (!e) return null;
            var r = e.getBoundingClientRect();
            return [r.left + r.width / 2, r.top + r.height / 2];""", selector, text)

    def down(self, selector, text=None):
        where = wait_until(lambda: self.centre(selector, text), 5, f'no {selector} {text}')
        self.driver.execute_cdp_cmd('Input.dispatchTouchEvent', {
            'type': 'touchStart', 'touchPoints': [{'x': where[0], 'y': where[1]}]})

    def up(self):
        self.driver.execute_cdp_cmd('Input.dispatchTouchEvent',
                                    {'type': 'touchEnd', 'touchPoints': []})

    def tap(self, selector, text=None):
        self.down(selector, text)
        self.up()

    def key(self, words):
        """Taps the touch bar's button of that caption."""
        self.tap('.ropi-touch-key', words)

    def menu(self, caption):
        self.tap(f'.ropi-menu-entry[aria-label="{caption}"]')

    def score(self):
        return self.page.label('得点')

    def cat_slot(self):
        """The column the cat stands in, or None while it is hidden."""
        return self.page.js("""
            var cat = document.querySelector('.ropi-image');
            if (cat.hidden) return null;
            var window = document.querySelector('.ropi-window').getBoundingClientRect();
            return Math.round((cat.getBoundingClientRect().left - window.left) /
                              (window.width / 5));""")

    def jump(self, since):
        """Waits for the cat's next jump (its cue's start) after `since` on the page's clock;
        its time and the column it landed in."""
        at = wait_until(lambda: self.page.js(
            'return sounds.map(s => s[0]).filter(t => t > arguments[0]).pop()', since), 10,
            'no jump')
        return at, self.cat_slot()

    def shoot(self, middle):
        """A finger on the shot button while the cat has just landed in the middle column (or
        elsewhere); the verdict must show while the finger is still down."""
        since = self.page.js('return performance.now()')
        for _ in range(60):
            at, slot = self.jump(since)
            since = at
            fresh = self.page.js('return performance.now()') - at < 700  # of a 2000 ms beat
            if fresh and (slot == 2) == middle:
                before = self.score()
                self.down('.ropi-touch-main')
                verdict = wait_until(lambda: self.score() != before and self.score(), 5,
                                     'no verdict while the finger was down')
                self.up()
                return verdict
        raise AssertionError('the cat never landed where it was waited for')

    def looks(self, name):
        """Every caption whole and apart, every target big enough, the window and the bar
        side by side in the viewport; the screenshot kept under `name`."""
        shot = self.driver.execute_cdp_cmd('Page.captureScreenshot', {})
        os.makedirs(SHOTS, exist_ok=True)
        with open(os.path.join(SHOTS, name + '.png'), 'wb') as f:
            f.write(base64.b64decode(shot['data']))
        looks = self.page.js(LOOKS)
        cut = [c['text'] for c in looks['captions'] if not c['whole']]
        assert not cut, f'{name}: cut captions {cut}'
        for a, b in itertools.combinations(looks['captions'], 2):
            assert not overlap(a['box'], b['box']), f'{name}: {a["text"]!r} over {b["text"]!r}'
        small = [(t['text'], t['box']) for t in looks['targets']
                 if t['box'][2] - t['box'][0] < 44 or t['box'][3] - t['box'][1] < 44 or
                 not t['whole']]
        assert not small, f'{name}: targets under 44 CSS pixels or cut: {small}'
        width, height = looks['view']
        off = [t['text'] for t in looks['targets'] if t['box'][0] < 0 or t['box'][1] < 0 or
               t['box'][2] > width + 0.5 or t['box'][3] > height + 0.5]
        assert not off, f'{name}: targets off the screen: {off}'
        window, bar = looks['window'], looks['bar']
        assert not overlap(window, bar), f'{name}: the touch bar covers the window'
        for box in (window, bar):
            assert box[0] >= 0 and box[1] >= 0 and box[2] <= width + 0.5 and \
                box[3] <= height + 0.5, f'{name}: {box} is not all in the {width} x {height} view'
        return looks


def same_picture(png, reference):
    """The number of pixels that differ, by ImageMagick."""
    run = subprocess.run(['compare', '-metric', 'AE', 'png:-', reference, 'null:'], input=png,
                         capture_output=True)
    return float(run.stderr.split()[0]) if run.stderr else -1


def desktop():
    with Page() as page:
        wait_until(lambda: page.state() == 'running', 20, 'the game did not start')
        time.sleep(0.5)

        def check(name):
            differ = same_picture(page.driver.get_screenshot_as_png(),
                                  os.path.join(REFERENCE, name + '.png'))
            if differ != 0:
                os.makedirs(SHOTS, exist_ok=True)
                with open(os.path.join(SHOTS, 'desktop-' + name + '.png'), 'wb') as f:
                    f.write(page.driver.get_screenshot_as_png())
            assert differ == 0, f'the desktop page {name}: {differ} pixels changed'

        check('idle')
        settings = page.driver.find_element('css selector', '[aria-label="せってい"]')
        ActionChains(page.driver).click(settings).perform()
        speed = page.driver.find_element('css selector', '[aria-label="ろぴちゃんのすばやさ"]')
        ActionChains(page.driver).move_to_element(speed).perform()
        time.sleep(0.5)
        check('menu')
        page.keys(Keys.ESCAPE, Keys.ESCAPE, Keys.ESCAPE)
        ActionChains(page.driver).key_down(Keys.ALT).send_keys('v').key_up(Keys.ALT).perform()
        wait_until(page.box, 5, 'no version box')
        time.sleep(0.5)
        check('box')
        assert page.js('return document.querySelector(".ropi-touchbar")') is None
        page.keys(Keys.ENTER)
        wait_until(lambda: page.box() is None, 5, 'Enter did not close the box')

        # The first touch on a screen with a mouse: the bar comes, the window makes room.
        phone = Phone(page)
        for kind, points in (('touchStart', [{'x': 500, 'y': 500}]), ('touchEnd', [])):
            page.driver.execute_cdp_cmd('Input.dispatchTouchEvent',
                                        {'type': kind, 'touchPoints': points})
        wait_until(lambda: page.js('return document.body.classList.contains("ropi-touch")'), 5,
                   'a touch did not bring the touch bar')
        wait_until(lambda: page.js('return document.querySelector(".ropi-window")'
                                   '.getBoundingClientRect().right') <=
                   page.js('return document.querySelector(".ropi-touchbar")'
                           '.getBoundingClientRect().left') + 0.5, 5, 'the window made no room')
        phone.looks('1024x768-first-touch')


def round_by_touch():
    with Page() as page:
        phone = Phone(page)
        phone.turn(390, 844, load=True)
        assert page.js('return document.body.classList.contains("ropi-touch")')
        phone.looks('390x844-at-load')
        # The bar's buttons say what the window's key captions say.
        words = page.js('return [...document.querySelectorAll(".ropi-touch-key")]'
                        '.map(e => e.textContent)')
        assert sorted(words) == sorted(['ゆっくり', 'ふつう', 'はやい', 'とてもはやい',
                                        'ろぴが消えたり出たり', 'スタート', '真ん中に来たら']), words

        phone.key('ふつう')
        wait_until(lambda: 'ふつう' in page.marks(), 5, f'ふつう not chosen: {page.marks()}')
        phone.key('ゆっくり')
        wait_until(lambda: 'おそい' in page.marks(), 5, f'ゆっくり not chosen: {page.marks()}')
        phone.key('スタート')
        started = time.monotonic()
        wait_until(lambda: page.label('TIME') == 'TIME 119', 5, 'スタート did not start a round')
        wait_until(lambda: page.js('return wakeLog') == ['request screen'], 5,
                   f'the screen was not kept awake: {page.js("return wakeLog")}')

        # At the slow beat the verdict comes while the finger is still down: a shot is judged
        # when it lands, as a key press is.
        assert phone.shoot(middle=False) == '得点 -10'
        assert phone.shoot(middle=True) == '得点  0'

        # The phone turned, and every size, during the round: the game lays itself out again,
        # the cat keeps its square, the clock goes on.
        for width, height in SIZES:
            phone.turn(width, height)
            wait_until(lambda: abs(page.js(
                'return document.querySelector(".ropi-window").getBoundingClientRect().right')
                - page.js('return document.querySelector(".ropi-touchbar")'
                          '.getBoundingClientRect().left' if width > height else
                          'return innerWidth')) < 1, 5, f'no new layout at {width} x {height}')
            time.sleep(0.3)
            looks = phone.looks(f'{width}x{height}')
            # square, but for its edges rounded to the screen's pixels
            assert abs(looks['cat'][0] - looks['cat'][1]) <= 1, f'the cat: {looks["cat"]}'
        phone.turn(390, 844)
        assert page.label('TIME') != 'TIME 119', 'the clock stopped'

        phone.key('ろぴが消えたり出たり')
        wait_until(lambda: 'ろぴちゃんがみえる' not in page.marks(), 5, 'the cat was not hidden')
        wait_until(lambda: phone.cat_slot() is None, 5, 'the cat still shows')
        # The menus by touch, every item within reach of a finger.
        phone.menu('せってい')
        phone.menu('ろぴちゃんのすばやさ')
        phone.looks('390x844-menu')
        phone.menu('ふつう')
        wait_until(lambda: page.marks() == ['ふつう'], 5, f'ふつう by the menu: {page.marks()}')
        # A keyboard beside the touch screen keeps its keys.
        page.keys('4')
        wait_until(lambda: page.marks() == ['すごくはやい'], 5, f'the 4 key: {page.marks()}')

        # The version box, opened and closed by touch; the clock runs behind it.
        phone.menu('バージョン(V)')
        assert wait_until(page.box, 5, 'no version box').startswith('ろぴぽ～ゲーム')
        page.ticks('the version box')
        phone.looks('390x844-box')
        phone.tap('.ropi-box-button')
        wait_until(lambda: page.box() is None, 5, 'OK did not close the box')

        # The round's end: the button shows the score, the screen may sleep again.
        wait_until(lambda: page.js('return !document.querySelector(".ropi-button").disabled'),
                   140 - (time.monotonic() - started), 'the round never ended')
        assert page.label('TIME') == 'TIME 0'
        wait_until(lambda: page.js('return wakeLog') == ['request screen', 'release'], 5,
                   f'the screen lock was kept: {page.js("return wakeLog")}')
        phone.looks('390x844-end')
        phone.tap('.ropi-button')
        wait_until(lambda: page.label('TIME') == 'TIME 120', 5, 'the reset did not take')
        assert phone.score() is None or phone.score() == ''

        phone.menu('終了(X)')
        wait_until(lambda: page.state() == 'ended', 5, '終了 did not end the game')
        assert page.js('return document.body.dataset.exitStatus') == '0'


def fingers():
    with Page(autoplay=False) as page:
        phone = Phone(page)
        phone.turn(390, 844, load=True)
        # The first touch lets the sound play, a touch on the bar too.
        assert page.js('return contexts.map(c => c.state)') == ['suspended']
        phone.key('ふつう')
        wait_until(lambda: page.js('return contexts.map(c => c.state)') == ['running'], 5,
                   'a touch did not let the sound play')


if __name__ == '__main__':
    if webdriver is None or not (os.path.exists(CHROMIUM) and os.path.exists(DRIVER)):
        print('skipped: no Chromium, chromedriver or selenium')
        sys.exit(77)
    for name in sys.argv[1:] or ['desktop', 'fingers', 'round']:
        {'desktop': desktop, 'fingers': fingers, 'round': round_by_touch}[name]()
        print('PASS', name)
