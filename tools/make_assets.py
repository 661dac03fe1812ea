#!/usr/bin/env python3
"""Draws the cat and synthesizes the cues of ropi.

Everything is made from code so the assets can be rebuilt byte for byte:
    python3 tools/make_assets.py [--out DIR]
"""
import argparse
import math
import os
import struct
import sys
import wave
import zlib
from array import array

# ---------------------------------------------------------------- drawing

HALO = (255, 246, 232)      # light rim: the cat is shown on a black window
LINE = (84, 46, 30)         # dark brown inner lines
FUR = (246, 160, 66)
STRIPE = (214, 112, 40)
CREAM = (255, 232, 196)
PINK = (255, 168, 172)
NOSE = (236, 104, 122)
BLUSH = (255, 136, 120)
EYE = (46, 28, 24)
WHITE = (255, 255, 255)


def span_of_line(c0, c1, lo, hi):
    """x values with lo <= c0 + c1 * x <= hi."""
    if abs(c1) < 1e-12:
        return (-math.inf, math.inf) if lo <= c0 <= hi else None
    a, b = (lo - c0) / c1, (hi - c0) / c1
    return (min(a, b), max(a, b))


def merge(spans):
    spans = [s for s in spans if s]
    if not spans:
        return None
    return (min(s[0] for s in spans), max(s[1] for s in spans))


class Ellipse:
    def __init__(self, cx, cy, rx, ry):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry

    def bbox(self, g):
        return (self.cx - self.rx - g, self.cy - self.ry - g,
                self.cx + self.rx + g, self.cy + self.ry + g)

    def span(self, y, g):
        d = (y - self.cy) / (self.ry + g)
        if abs(d) >= 1:
            return None
        half = (self.rx + g) * math.sqrt(1 - d * d)
        return (self.cx - half, self.cx + half)


class Capsule:
    """A segment with round ends: strokes, tails, and the sides of rounded shapes."""
    def __init__(self, a, b, r):
        self.a, self.b, self.r = a, b, r

    def bbox(self, g):
        (ax, ay), (bx, by), r = self.a, self.b, self.r + g
        return (min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r)

    def span(self, y, g):
        (ax, ay), (bx, by), r = self.a, self.b, self.r + g
        parts = []
        for cx, cy in (self.a, self.b):
            if abs(y - cy) < r:
                half = math.sqrt(r * r - (y - cy) ** 2)
                parts.append((cx - half, cx + half))
        dx, dy = bx - ax, by - ay
        length2 = dx * dx + dy * dy
        if length2 > 0:
            length = math.sqrt(length2)
            along = span_of_line((-ax * dx + (y - ay) * dy) / length2, dx / length2, 0, 1)
            across = span_of_line((-ax * dy - (y - ay) * dx) / length, dy / length, -r, r)
            if along and across and max(along[0], across[0]) <= min(along[1], across[1]):
                parts.append((max(along[0], across[0]), min(along[1], across[1])))
        return merge(parts)


class RoundPoly:
    """A convex polygon with rounded corners (ears, nose)."""
    def __init__(self, points, r):
        self.sides = [Capsule(points[i - 1], points[i], r) for i in range(len(points))]

    def bbox(self, g):
        boxes = [s.bbox(g) for s in self.sides]
        return (min(b[0] for b in boxes), min(b[1] for b in boxes),
                max(b[2] for b in boxes), max(b[3] for b in boxes))

    def span(self, y, g):
        return merge(s.span(y, g) for s in self.sides)


def stroke(points, r):
    return [Capsule(points[i], points[i + 1], r) for i in range(len(points) - 1)]


def arc(cx, cy, radius, a0, a1, r, steps=8):
    pts = [(cx + radius * math.cos(a0 + (a1 - a0) * i / steps),
            cy + radius * math.sin(a0 + (a1 - a0) * i / steps)) for i in range(steps + 1)]
    return stroke(pts, r)


def mirror(x):
    return 256 - x


BOTH_SIDES = (lambda x: x, mirror)


def cat_shapes(weight=1.0, whisker=26):
    """The sitting cat, back to front, as (part, prims, colour, outlined, in_silhouette).

    weight thickens the fine strokes for the small icon, whisker is where the whiskers end."""
    w = weight
    shapes = []

    def add(part, prims, colour, outlined=True, silhouette=True):
        shapes.append((part, prims, colour, outlined, silhouette))

    tail = [(150, 230), (188, 234), (216, 222), (232, 200), (232, 176), (220, 158)]
    add('body', stroke(tail, 10), FUR)
    add('body', stroke(tail[-2:], 10), CREAM)
    add('body', [Ellipse(128, 192, 56, 48)], FUR)
    for x in (86, mirror(86)):
        add('body', [Ellipse(x, 220, 24, 19)], FUR)
    add('body', [Ellipse(128, 202, 30, 34)], CREAM, False, False)
    for x in (110, mirror(110)):
        add('body', [Ellipse(x, 236, 15, 10)], CREAM)
        add('body', stroke([(x, 240), (x, 245)], 1.2 * w), LINE, False, False)

    for m in BOTH_SIDES:
        add('head', [RoundPoly([(m(56), 80), (m(64), 18), (m(112), 48)], 8)], FUR)
        add('head', [RoundPoly([(m(70), 66), (m(72), 34), (m(98), 52)], 4)], PINK, False, False)
    add('head', [Ellipse(128, 100, 80, 64)], FUR)
    # tabby marks on the forehead
    add('head', stroke([(128, 41), (128, 56)], 4.5), STRIPE, False, False)
    for m in BOTH_SIDES:
        add('head', stroke([(m(108), 44), (m(112), 56)], 3.5), STRIPE, False, False)
        add('head', stroke([(m(52), 96), (m(62), 98)], 3.5), STRIPE, False, False)
    add('head', [Ellipse(128, 136, 30, 19)], CREAM, False, False)
    for m in BOTH_SIDES:
        add('head', [Ellipse(m(74), 128, 11, 6.5)], BLUSH, False, False)
    for x in (92, mirror(92)):
        add('head', [Ellipse(x, 104, 13, 16)], EYE, False, False)
        add('head', [Ellipse(x + 4.5, 97, 5, 5.5)], WHITE, False, False)
        add('head', [Ellipse(x - 4, 112, 2.4, 2.4)], WHITE, False, False)
    add('head', [RoundPoly([(121, 121), (135, 121), (128, 128)], 2.5)], NOSE, False, False)
    mouth = stroke([(128, 128), (128, 133)], 1.6 * w)
    mouth += arc(121.5, 133, 6.5, 0, math.pi, 1.6 * w)
    mouth += arc(134.5, 133, 6.5, 0, math.pi, 1.6 * w)
    add('head', mouth, LINE, False, False)
    # light whiskers, so they still show where they leave the face for the black window
    reach = (64 - whisker) / 38
    for m in BOTH_SIDES:
        for y0, y1 in ((121, 112), (129, 129), (137, 146)):
            tip = (m(whisker), y0 + (y1 - y0) * reach)
            add('head', stroke([(m(64), y0), tip], 1.5 * w), HALO, False, False)
    return shapes


def render(shapes, size, ss, line, halo, margin=1.0):
    """Paints the shapes on a size*ss square grid, then averages each ss x ss block.

    Returns (r, g, b, coverage) per pixel, row by row, the colour not premultiplied."""
    boxes = []
    for _, prims, _, outlined, silhouette in shapes:
        grow = line + halo if silhouette else line if outlined else 0
        boxes += [p.bbox(grow) for p in prims]
    x0, y0 = min(b[0] for b in boxes), min(b[1] for b in boxes)
    x1, y1 = max(b[2] for b in boxes), max(b[3] for b in boxes)
    side = max(x1 - x0, y1 - y0) * (1 + 2 * margin / size)
    vx, vy = (x0 + x1 - side) / 2, (y0 + y1 - side) / 2
    n = size * ss
    step = side / n
    buf = [None] * (n * n)

    def paint(prim, grow, colour):
        bx0, by0, bx1, by1 = prim.bbox(grow)
        for j in range(max(0, int((by0 - vy) / step)), min(n, int((by1 - vy) / step) + 1)):
            s = prim.span(vy + (j + 0.5) * step, grow)
            if not s:
                continue
            a = max(0, math.ceil((s[0] - vx) / step - 0.5))
            b = min(n - 1, math.floor((s[1] - vx) / step - 0.5))
            if a <= b:
                buf[j * n + a:j * n + b + 1] = [colour] * (b - a + 1)

    for _, prims, _, _, silhouette in shapes:
        if silhouette:
            for p in prims:
                paint(p, line + halo, HALO)
    for _, prims, colour, outlined, _ in shapes:
        if outlined:
            for p in prims:
                paint(p, line, LINE)
        for p in prims:
            paint(p, 0, colour)

    pixels = []
    for py in range(size):
        for px in range(size):
            r = g = b = count = 0
            for j in range(ss):
                row = (py * ss + j) * n + px * ss
                for c in buf[row:row + ss]:
                    if c:
                        r += c[0]; g += c[1]; b += c[2]; count += 1
            if count:
                pixels.append((r / count, g / count, b / count, count / (ss * ss)))
            else:
                pixels.append((0, 0, 0, 0.0))
    return pixels


# ---------------------------------------------------------------- palettes

def median_cut(hist, n):
    """Splits the colour cube until there are n boxes; returns (palette, colour -> index)."""
    def widest(box):
        return max((max(c[ch] for c, _ in box) - min(c[ch] for c, _ in box), ch) for ch in range(3))

    boxes = [sorted(hist.items())]
    spreads = [widest(boxes[0])]
    while len(boxes) < n:
        i = max(range(len(boxes)), key=lambda k: spreads[k][0])
        if spreads[i][0] == 0:
            break
        ch = spreads[i][1]
        box = sorted(boxes[i], key=lambda e: (e[0][ch], e[0]))
        total, acc, k = sum(cnt for _, cnt in box), 0, 0
        while acc * 2 < total:
            acc += box[k][1]
            k += 1
        k = min(max(k, 1), len(box) - 1)
        boxes[i:i + 1] = [box[:k], box[k:]]
        spreads[i:i + 1] = [widest(box[:k]), widest(box[k:])]
    palette, index = [], {}
    for box in boxes:
        total = sum(cnt for _, cnt in box)
        palette.append(tuple(round(sum(c[ch] * cnt for c, cnt in box) / total) for ch in range(3)))
        for c, _ in box:
            index[c] = len(palette) - 1
    return palette, index


def indexed(pixels, on_black):
    """Palette image with index 0 kept for transparent (black) pixels.

    Pixels under half coverage become transparent; on_black fades edges toward black."""
    colours = []
    for r, g, b, a in pixels:
        if a < 0.5:
            colours.append(None)
        else:
            k = a if on_black else 1.0
            colours.append((round(r * k), round(g * k), round(b * k)))
    hist = {}
    for c in colours:
        if c:
            hist[c] = hist.get(c, 0) + 1
    palette, index = median_cut(hist, 255)
    return [(0, 0, 0)] + palette, [0 if c is None else index[c] + 1 for c in colours]


# ---------------------------------------------------------------- image files

def lzw(data, min_size=8):
    """GIF flavoured LZW: variable code width, a clear code whenever the table fills."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    out = bytearray()
    acc = nbits = 0

    def put(code, width):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    width, table, nxt = min_size + 1, {}, end + 1
    put(clear, width)
    code = data[0]
    for byte in data[1:]:
        key = (code, byte)
        if key in table:
            code = table[key]
            continue
        put(code, width)
        table[key] = nxt
        nxt += 1
        if nxt == 4096:
            put(clear, width)
            width, table, nxt = min_size + 1, {}, end + 1
        elif nxt > 1 << width:
            width += 1
        code = byte
    put(code, width)
    put(end, width)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif(size, palette, idx):
    table = b''.join(bytes(c) for c in palette).ljust(768, b'\0')
    data = lzw(idx)
    blocks = b''.join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                      for i in range(0, len(data), 255))
    return (b'GIF89a' + struct.pack('<HHBBB', size, size, 0xF7, 0, 0) + table
            + b'\x21\xF9\x04\x01\x00\x00\x00\x00'           # index 0 is transparent
            + b'\x2C' + struct.pack('<HHHHB', 0, 0, size, size, 0)
            + b'\x08' + blocks + b'\x00\x3B')


def ico(size, palette, idx):
    """Classic 8-bit icon: BGR palette, bottom-up XOR bitmap, then the 1-bit AND mask."""
    colours = b''.join(bytes((b, g, r, 0)) for r, g, b in palette).ljust(1024, b'\0')
    rows = [idx[y * size:(y + 1) * size] for y in reversed(range(size))]
    xor = b''.join(bytes(row).ljust((size + 3) & ~3, b'\0') for row in rows)
    mask_row = ((size + 31) // 32) * 4
    mask = b''
    for row in rows:
        bits = bytearray(mask_row)
        for x, i in enumerate(row):
            if i == 0:
                bits[x >> 3] |= 0x80 >> (x & 7)
        mask += bytes(bits)
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 8, 0,
                         len(xor) + len(mask), 0, 0, 256, 0)
    image = header + colours + xor + mask
    return (struct.pack('<HHH', 0, 1, 1)
            + struct.pack('<BBBBHHII', size, size, 0, 0, 1, 8, len(image), 22) + image)


def png(size, pixels):
    raw = bytearray()
    for y in range(size):
        raw.append(0)
        for r, g, b, a in pixels[y * size:(y + 1) * size]:
            raw += bytes((round(r), round(g), round(b), round(a * 255))) if a else bytes(4)

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


# ---------------------------------------------------------------- sounds

RATE = 48000


def note(name):
    semis = {'C': -9, 'D': -7, 'E': -5, 'F': -4, 'G': -2, 'A': 0, 'B': 2}[name[0]]
    return 440.0 * 2 ** ((semis + 12 * (int(name[1:]) - 4)) / 12)


def smooth(x):
    x = min(max(x, 0.0), 1.0)
    return x * x * (3 - 2 * x)


def edges(i, n, attack, release):
    """Zero at the first and last sample, so nothing clicks when a cue is cut in."""
    return smooth(i / (attack * RATE)) * smooth((n - 1 - i) / (release * RATE))


def normalise(samples, peak):
    top = max(abs(s) for s in samples)
    return [s * peak / top for s in samples]


def cue(freq, dur=0.14):
    """A soft mallet tone; its overtones die first so it stays round."""
    n = int(RATE * dur)
    out = []
    for i in range(n):
        t = i / RATE
        w = 2 * math.pi * freq * t
        s = (math.sin(w) + 0.3 * math.exp(-t / 0.025) * math.sin(2 * w)
             + 0.1 * math.exp(-t / 0.015) * math.sin(3 * w))
        out.append(s * math.exp(-t / 0.05) * edges(i, n, 0.004, 0.02))
    return normalise(out, 0.5)


def bell(t, freq, decay):
    # partials of a struck bar: a little out of tune with each other, like a door chime
    partials = ((1.0, 1.0, 1.0), (2.0, 0.2, 0.5), (2.76, 0.3, 0.4), (5.4, 0.1, 0.25))
    return smooth(t / 0.002) * sum(a * math.exp(-t / (decay * d)) * math.sin(2 * math.pi * freq * r * t)
                                   for r, a, d in partials)


def chime(dur=0.5, second=0.17):
    n = int(RATE * dur)
    out = []
    for i in range(n):
        t = i / RATE
        s = bell(t, note('E6'), 0.12)
        if t >= second:
            s += bell(t - second, note('C6'), 0.22)
        out.append(s * edges(i, n, 0.002, 0.04))
    return normalise(out, 0.5)


def buzzer(dur=0.4):
    """A low sagging buzz; harmonics roll off so it grumbles instead of rasps."""
    n = int(RATE * dur)
    amps = [(k, (1 if k % 2 else 0.5) / k / (1 + (k * 140 / 1500) ** 2)) for k in range(1, 18)]
    out, p1, p2 = [], 0.0, 0.0
    for i in range(n):
        f = 140 - 15 * i / n
        s = sum(a * (math.sin(k * p1) + math.sin(k * p2)) for k, a in amps)
        out.append(s * (1 - 0.4 * i / n) * edges(i, n, 0.01, 0.06))
        p1 += 2 * math.pi * f / RATE
        p2 += 2 * math.pi * f * 1.03 / RATE
    # held notes sound louder than struck ones: keep it level with the chime, not above it
    return normalise(out, 0.35)


def pan(samples, pos):
    """Equal-power pan, pos -1 (left) .. 1 (right); the formula is symmetric so 0 is exact."""
    left, right = math.cos((1 + pos) * math.pi / 4), math.cos((1 - pos) * math.pi / 4)
    return [s * left for s in samples], [s * right for s in samples]


def wav(left, right):
    frames = array('h')
    for l, r in zip(left, right):
        assert abs(l) < 1 and abs(r) < 1, 'clipping'
        frames.append(round(l * 32767))
        frames.append(round(r * 32767))
    if sys.byteorder == 'big':
        frames.byteswap()
    return frames.tobytes()


# ---------------------------------------------------------------- main

# The middle slot is the one to hit: it gets the home note of the scale.
SLOTS = [('G4', -0.8), ('A4', -0.4), ('C5', 0.0), ('D5', 0.4), ('E5', 0.8)]


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser(description='Rebuild the pictures and sounds of ropi.')
    ap.add_argument('--out', default=os.path.join(root, 'assets'))
    out = ap.parse_args().out
    os.makedirs(out, exist_ok=True)

    def save(name, data):
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)
        print(f'{name}: {len(data)} bytes')

    def save_wav(name, left, right):
        path = os.path.join(out, name)
        with wave.open(path, 'wb') as w:
            w.setnchannels(2)
            w.setsampwidth(2)
            w.setframerate(RATE)
            w.writeframes(wav(left, right))
        print(f'{name}: {os.path.getsize(path)} bytes, {len(left) / RATE * 1000:.0f} ms')

    # Cat.gif is stretched over a black window, so its soft edges fade to black.
    save('Cat.gif', gif(256, *indexed(render(cat_shapes(), 256, 4, 3.5, 5), True)))

    # The icon is just the face: at 48 pixels a whole cat would be a blob.
    face = [s for s in cat_shapes(1.8, 36) if s[0] == 'head']
    small = render(face, 48, 8, 7, 7)
    save('ropi.ico', ico(48, *indexed(small, False)))
    save('ropi.png', png(48, small))
    save('ropi-256.png', png(256, render(face, 256, 4, 7, 7)))
    # The web app's icons, at the sizes a phone's home screen and a splash screen take.
    for size in (192, 512):
        save(f'ropi-{size}.png', png(size, render(face, size, 4, 7, 7)))

    for slot, (name, pos) in enumerate(SLOTS):
        save_wav(f'Cat{slot}.wav', *pan(cue(note(name)), pos))
    pin = chime()
    save_wav('ピンポン.wav', pin, pin)
    boo = buzzer()
    save_wav('ブー.wav', boo, boo)


if __name__ == '__main__':
    main()
