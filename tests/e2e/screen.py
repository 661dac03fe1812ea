"""What the player sees, read off a screenshot of the whole 1024 x 768 screen."""

NAVY = (0, 0, 128)
SLOT_WIDTH = 1024 / 5
CAT_SIZE = 1024 / 5  # square: its height is taken from the width too
CAT_TOP = 768 / 2 - 1024 / 20  # within the client area: 4992 twips


def dark(p):
    return max(p) < 100


def lit(p):
    return max(p) > 40


def menu_bar_height(shot):
    """The client area begins where the navy panel does."""
    return next(y for y in range(shot.height) if shot.pixel(5, y) == NAVY)


def menu_titles(shot):
    """x centres of the titles on the menu bar, left to right."""
    bar = menu_bar_height(shot)
    columns = [x for x in range(shot.width)
               if any(dark(shot.pixel(x, y)) for y in range(2, bar - 2))]
    return [(a + b) // 2 for a, b in clusters(columns, gap=8)]


def clusters(values, gap):
    groups = []
    for v in values:
        if groups and v - groups[-1][1] <= gap:
            groups[-1][1] = v
        else:
            groups.append([v, v])
    return [tuple(g) for g in groups]


def popup(shot, x, y):
    """(left, right, bottom) of the white drop-down found at or right of (x, y)."""
    while shot.pixel(x, y) != (255, 255, 255):
        x += 1
    left = x
    while x < shot.width and shot.pixel(x, y) == (255, 255, 255):
        x += 1
    bottom = y
    while shot.pixel(left + 1, bottom) != NAVY:
        bottom += 1
    return left, x - 1, bottom


def item_rows(shot, left, right, bottom, top=20):
    """y centres of the lines of text in a drop-down."""
    rows = [y for y in range(top, bottom)
            if any(dark(shot.pixel(x, y)) for x in range(left + 3, right - 3))]
    return [(a + b) // 2 for a, b in clusters(rows, gap=4) if b - a >= 5]


def cat_box(shot):
    """Bounding box of everything drawn on the black field below the panel."""
    bar = menu_bar_height(shot)
    top = bar + 768 // 3 + 4  # clear of the panel's lower edge
    return shot.bbox(0, top, shot.width, shot.height, lit, step=2)


def cat_slot(shot):
    """The slot the cat is drawn in, None when the field is empty. Fails when
    what is drawn is not one cat-sized picture at the cat's height."""
    box = cat_box(shot)
    if box is None:
        return None
    x0, y0, x1, y1 = box
    bar = menu_bar_height(shot)
    slot = int((x0 + x1) / 2 // SLOT_WIDTH)
    left, top = slot * SLOT_WIDTH, bar + CAT_TOP
    assert left - 2 <= x0 and x1 <= left + CAT_SIZE + 2, f'cat {box} leaves slot {slot}'
    assert top - 2 <= y0 and y1 <= top + CAT_SIZE + 2, f'cat {box} is not at {top:.0f}'
    assert x1 - x0 > CAT_SIZE * 0.7 and y1 - y0 > CAT_SIZE * 0.7, f'cat {box} is too small'
    orange = shot.count(int(x0), int(y0), int(x1), int(y1),
                        lambda p: p[0] > 200 and 100 < p[1] < 200 and p[2] < 120, step=3)
    assert orange > 200, f'no orange fur in {box}'
    return slot


def button_box(shot):
    """The reset button: W/4 wide, H/12 high, at 7/10 W and 5/20 H of the client."""
    bar = menu_bar_height(shot)
    return 1024 * 7 // 10, bar + 768 * 5 // 20, 1024 * 7 // 10 + 256, bar + 768 * 5 // 20 + 64


def button_ink(shot):
    """Dark caption pixels on the button: none while it is greyed out."""
    x0, y0, x1, y1 = button_box(shot)
    return shot.count(x0 + 4, y0 + 4, x1 - 4, y1 - 4, dark)


def field_is_empty(shot):
    return cat_box(shot) is None
