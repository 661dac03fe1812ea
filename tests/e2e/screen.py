"""What the player sees, read off a screenshot of the whole 1024 x 768 screen. The
window's outer size is the screen's; its client area begins where the navy panel
does, below the menu bar (and, under Wine, inside the frame Wine draws)."""

NAVY = (0, 0, 128)
SLOT = 1024 / 5  # a fifth of the outer width, and the cat's size: it is square


def client_origin(shot):
    """The top left corner of the client area."""
    y = next(y for y in range(shot.height) if shot.pixel(512, y) == NAVY)
    return next(x for x in range(shot.width) if shot.pixel(x, y) == NAVY), y


def cat_slot(shot):
    """The slot the cat is drawn in, None when the field is empty. Fails when
    what is drawn is not one cat-sized picture at the cat's height."""
    left, client_top = client_origin(shot)
    top = client_top + 768 / 2 - 1024 / 20
    hits = shot.hits(left, int(top) - 40, shot.width, shot.height, lambda p: max(p) > 40, step=3)
    if not hits:
        return None
    x0, x1 = min(x for x, _ in hits) - left, max(x for x, _ in hits) - left
    y0, y1 = min(y for _, y in hits), max(y for _, y in hits)
    slot = int((x0 + x1) / 2 // SLOT)
    assert slot * SLOT - 3 <= x0 and x1 <= (slot + 1) * SLOT + 3, f'the cat leaves slot {slot}'
    assert top - 3 <= y0 and y1 <= top + SLOT + 3, f'the cat is not at {top:.0f}: {y0}..{y1}'
    assert min(x1 - x0, y1 - y0) > SLOT * 0.7, 'the cat is too small'
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
    return len(shot.hits(x - 124, y - 28, x + 124, y + 28, lambda p: max(p) < 100))
