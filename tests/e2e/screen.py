"""What the player sees, read off a screenshot of the whole 1024 x 768 screen. The
window's outer size is the screen's; its client area begins where the navy panel
does, below the menu bar (and, under Wine, inside the frame Wine draws)."""
import os
import subprocess

NAVY, BLACK = (0, 0, 128), (0, 0, 0)
SLOT = 1024 / 5  # a fifth of the outer width, and the cat's size: it is square
PANEL = 768 // 3  # the panel's height, where the button's bottom edge lies too
INKY = 40  # a channel above this is drawn, not the black field


def ink_box(path):
    """Where the picture's ink lies on a black field, as fractions of its size:
    left, top, right and bottom."""
    ppm = subprocess.run(['convert', path, '-background', 'black', '-flatten', '-depth', '8',
                          'ppm:-'], capture_output=True, check=True).stdout
    width, height = map(int, ppm.split(maxsplit=3)[1:3])
    pixels = ppm[len(ppm) - width * height * 3:]
    inky = [(i // 3 % width, i // 3 // width) for i in range(0, len(pixels), 3)
            if max(pixels[i:i + 3]) > INKY]
    xs, ys = [x for x, _ in inky], [y for _, y in inky]
    return min(xs) / width, min(ys) / height, (max(xs) + 1) / width, (max(ys) + 1) / height


CAT_INK = ink_box(os.path.join(os.environ.get('ROPI_ASSETS', ''), 'Cat.gif'))


def client_origin(shot):
    """The top left corner of the client area."""
    y = next(y for y in range(shot.height) if shot.pixel(512, y) == NAVY)
    return next(x for x in range(shot.width) if shot.pixel(x, y) == NAVY), y


def cat_slot(shot):
    """The slot the cat is drawn in, None when the field is empty. Fails when
    what is drawn is not the picture filling one slot, square, at the cat's height."""
    left, client_top = client_origin(shot)
    top = client_top + 768 / 2 - 1024 / 20
    hits = shot.hits(left, int(top) - 40, shot.width, shot.height, lambda p: max(p) > INKY,
                     step=3)
    if not hits:
        return None
    x0, x1 = min(x for x, _ in hits) - left, max(x for x, _ in hits) + 1 - left
    y0, y1 = min(y for _, y in hits) - top, max(y for _, y in hits) + 1 - top
    slot = int((x0 + x1) / 2 // SLOT)
    seen = (x0 - slot * SLOT, y0, x1 - slot * SLOT, y1)
    expected = tuple(fraction * SLOT for fraction in CAT_INK)
    # A screenshot is read every third pixel, and scaling may soften an edge by one.
    assert all(abs(a - b) <= 5 for a, b in zip(seen, expected)), \
        f'the cat in slot {slot} has its ink at {seen}, not at {expected}'
    return slot


def button_ink(shot):
    """Dark caption pixels on the reset button (W/4 by H/12 at 7/10 W, 5/20 H of
    the client): none while it is greyed out. Its face must be its own light
    blue, flat, inside a raised edge."""
    left, top = client_origin(shot)
    x, y = left + 1024 * 7 // 10 + 128, top + 768 * 5 // 20 + 32
    face = shot.hits(x - 124, y - 28, x + 124, y + 28, lambda p: p == (128, 128, 255))
    assert len(face) > 248 * 56 * 3 // 4, f'the button face is not its own colour: {len(face)}'
    assert max(shot.pixel(x - 127, y)) > max(shot.pixel(x + 128, y)), 'the edge is not raised'
    # It ends where the panel does, over the field: a twelfth of the height tall.
    above, below = shot.pixel(x, top + PANEL - 3), shot.pixel(x, top + PANEL + 2)
    assert above not in (NAVY, (0, 0, 0)) and below == (0, 0, 0), \
        f'the button does not end with the panel: {above} above its edge, {below} below'
    return len(shot.hits(x - 124, y - 28, x + 124, y + 28, lambda p: max(p) < 100))
