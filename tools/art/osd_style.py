"""Shared look of every on-screen display picture.

Everything that must look the same across the catalogue lives here: the
panel, the caption, the line-art ink with its glow, and the level rows
(brightness slots, volume bars, tick marks, the speaker wedge, battery cells).
Symbol functions only describe shapes; they never choose colours, and they
keep the shared stroke width except for fine inner detail.
"""

import math

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

WIDTH, HEIGHT = 190, 114

# Panel: glossy grey upper half, near-black lower band.
SPLIT_ROW = 57              # last row of the grey gradient
TOP_GREY, MID_GREY = 190, 80
BAND_DARK, BAND_BOTTOM = 25, 50
BORDER = (14, 16, 19)

CAPTION = (197, 234, 252)
CAPTION_HALO = (16, 24, 32)
SYMBOL = (150, 216, 248)    # line art
SYMBOL_DIM = (74, 104, 124)
GLOW = (70, 160, 235)
SHADOW = (8, 14, 22)
LIT = (132, 206, 245)       # lit level elements
UNLIT_FILL = (30, 38, 47)
UNLIT_EDGE = (72, 94, 112)
SIGN = CAPTION              # minus / plus signs beside level rows

# Every stroke of every symbol has this width, in output pixels.
STROKE = 2.0
SUPERSAMPLE = 4

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
CAPTION_FONT = FONT_DIR + "/DejaVuSans-Bold.ttf"
CAPTION_SIZE = 12

# Geometry of the level rows (all rows share the same baseline).
LEVEL_BOTTOM = 104          # last pixel row of level elements


def _lerp(a, b, t):
    return a + (b - a) * t


def _mix(c1, c2, t):
    return tuple(int(round(_lerp(a, b, t))) for a, b in zip(c1, c2))


# ---------------------------------------------------------------- panel

def panel():
    """The empty panel: gradient upper half, dark band, one-pixel border."""
    img = Image.new("RGB", (WIDTH, HEIGHT), BORDER)
    draw = ImageDraw.Draw(img)
    for y in range(1, HEIGHT - 1):
        draw.line([(1, y), (WIDTH - 2, y)], fill=_background_at(1, y))
    return img


# ---------------------------------------------------------------- caption

_font_cache = {}


def _font(path, size):
    key = (path, size)
    if key not in _font_cache:
        _font_cache[key] = ImageFont.truetype(path, size)
    return _font_cache[key]


def caption(img, text, top=4):
    """Centred caption with a dark halo so it reads on the light gradient."""
    font = _font(CAPTION_FONT, CAPTION_SIZE)
    left, t, right, bottom = font.getbbox(text)
    x = (WIDTH - (right - left)) // 2 - left
    y = top - t
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).text((x, y), text, font=font, fill=255)
    # a crisp one-pixel rim plus a soft drop shadow below it
    rim = _scaled(mask.filter(ImageFilter.MaxFilter(3)), 0.7)
    drop = Image.new("L", img.size, 0)
    drop.paste(mask.filter(ImageFilter.MaxFilter(3)), (0, 1))
    drop = _scaled(drop.filter(ImageFilter.GaussianBlur(1.2)), 0.9)
    halo = ImageChops.lighter(rim, drop)
    img.paste(CAPTION_HALO, (0, 0), halo)
    img.paste(CAPTION, (0, 0), mask)


# ---------------------------------------------------------------- ink

class Ink:
    """A supersampled coverage mask that symbols draw their line art into.

    Coordinates are output pixels (floats allowed); a frame (origin and scale)
    lets a symbol be drawn in its own units while strokes keep STROKE width.
    """

    def __init__(self):
        self.mask = Image.new("L", (WIDTH * SUPERSAMPLE, HEIGHT * SUPERSAMPLE), 0)
        self.draw = ImageDraw.Draw(self.mask)
        self.ox, self.oy, self.k = 0.0, 0.0, 1.0

    def frame(self, cx, cy, scale=1.0):
        """Place the local origin at (cx, cy) and scale local units."""
        self.ox, self.oy, self.k = cx, cy, scale
        return self

    def _pt(self, x, y):
        s = SUPERSAMPLE
        return ((self.ox + x * self.k) * s, (self.oy + y * self.k) * s)

    def _disc(self, px, py, r, value=255):
        self.draw.ellipse([px - r, py - r, px + r, py + r], fill=value)

    def polyline(self, points, closed=False, width=STROKE, value=255):
        pts = [self._pt(x, y) for x, y in points]
        if closed:
            pts = pts + [pts[0]]
        hw = width * SUPERSAMPLE / 2.0
        for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
            dx, dy = x1 - x0, y1 - y0
            length = math.hypot(dx, dy)
            if length == 0:
                continue
            nx, ny = -dy / length * hw, dx / length * hw
            self.draw.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny),
                               (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], fill=value)
        for px, py in pts:      # round joins and caps
            self._disc(px, py, hw, value)

    def line(self, x0, y0, x1, y1, width=STROKE, value=255):
        self.polyline([(x0, y0), (x1, y1)], width=width, value=value)

    def fill(self, points, value=255):
        self.draw.polygon([self._pt(x, y) for x, y in points], fill=value)

    def dot(self, x, y, r, value=255):
        px, py = self._pt(x, y)
        self._disc(px, py, r * self.k * SUPERSAMPLE, value)

    def arc(self, cx, cy, r, a0, a1, width=STROKE, steps=None):
        """Arc from angle a0 to a1 in degrees (0 = right, 90 = down)."""
        self.polyline(arc_points(cx, cy, r, a0, a1, steps), width=width)

    def circle(self, cx, cy, r, width=STROKE):
        self.polyline(arc_points(cx, cy, r, 0, 360, 72)[:-1], closed=True, width=width)

    def rounded_rect(self, x0, y0, x1, y1, r, width=STROKE):
        self.polyline(rounded_rect_points(x0, y0, x1, y1, r), closed=True, width=width)

    def coverage(self):
        """The mask at output resolution (box-filtered)."""
        return self.mask.reduce(SUPERSAMPLE)


def arc_points(cx, cy, r, a0, a1, steps=None):
    if steps is None:
        steps = max(6, int(abs(a1 - a0) / 6))
    out = []
    for i in range(steps + 1):
        a = math.radians(_lerp(a0, a1, i / steps))
        out.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return out


def rounded_rect_points(x0, y0, x1, y1, r):
    pts = []
    corners = [(x1 - r, y0 + r, -90, 0), (x1 - r, y1 - r, 0, 90),
               (x0 + r, y1 - r, 90, 180), (x0 + r, y0 + r, 180, 270)]
    for cx, cy, a0, a1 in corners:
        pts.extend(arc_points(cx, cy, r, a0, a1, 6))
    return pts


def _scaled(mask, factor):
    return mask.point(lambda v: min(255, int(v * factor + 0.5)))


def glow_ink(img, ink, colour=SYMBOL, glow=1.0, shadow=1.0):
    """Lay an ink mask onto the picture: dark drop halo, blue glow, crisp line."""
    cover = ink.coverage() if isinstance(ink, Ink) else ink
    if shadow > 0:
        halo = cover.filter(ImageFilter.MaxFilter(5)).filter(ImageFilter.GaussianBlur(1.6))
        img.paste(SHADOW, (0, 0), _scaled(halo, 0.55 * shadow))
    if glow > 0:
        wide = cover.filter(ImageFilter.GaussianBlur(3.2))
        tight = cover.filter(ImageFilter.GaussianBlur(1.2))
        amount = ImageChops.add(_scaled(wide, 0.9 * glow), _scaled(tight, 0.6 * glow))
        layer = Image.new("RGB", img.size, (0, 0, 0))
        layer.paste(GLOW, (0, 0), amount)
        img.paste(ImageChops.screen(img, layer), (0, 0))
    img.paste(colour, (0, 0), cover)


# ---------------------------------------------------------------- level rows

def element(img, x0, y0, x1, y1, lit):
    """One level element (slot, bar or cell): crisp box, corners softened."""
    draw = ImageDraw.Draw(img)
    if lit:
        fill = lit if isinstance(lit, tuple) else LIT
        draw.rectangle([x0, y0, x1, y1], fill=fill)
        draw.line([(x0 + 1, y0), (x1 - 1, y0)], fill=_mix(fill, (255, 255, 255), 0.35))
        draw.line([(x0 + 1, y1), (x1 - 1, y1)], fill=_mix(fill, (0, 0, 0), 0.3))
    else:
        draw.rectangle([x0, y0, x1, y1], fill=UNLIT_FILL, outline=UNLIT_EDGE)
    # soften the four corners into the panel
    for cx, cy in ((x0, y0), (x1, y0), (x0, y1), (x1, y1)):
        img.putpixel((cx, cy), _mix(img.getpixel((cx, cy)), _background_at(cx, cy), 0.6))


def _background_at(x, y):
    """Panel colour at a pixel (it only varies with y)."""
    inner_top, inner_bottom = 1, HEIGHT - 2
    if y <= SPLIT_ROW:
        v = _lerp(TOP_GREY, MID_GREY, (y - inner_top) / (SPLIT_ROW - inner_top))
    else:
        t = (y - (SPLIT_ROW + 1)) / (inner_bottom - (SPLIT_ROW + 1))
        v = _lerp(BAND_DARK, BAND_BOTTOM, t ** 1.6)
    g = int(round(v))
    return (g, g, g)


def slot_row(img, count, lit, width=18, height=9, gap=5):
    """Brightness: a centred row of `count` slots, the first `lit` lit."""
    total = count * width + (count - 1) * gap
    x = (WIDTH - total) // 2
    y1 = LEVEL_BOTTOM
    for i in range(count):
        element(img, x, y1 - height + 1, x + width - 1, y1, i < lit)
        x += width + gap


# Volume row: minus sign, ten rising bars, plus sign.
BAR_W, BAR_GAP, BAR_MIN_H = 10, 4, 6
SIGN_SIZE = 9


def _bar_lefts(count):
    total = count * BAR_W + (count - 1) * BAR_GAP
    x0 = (WIDTH - total) // 2
    return [x0 + i * (BAR_W + BAR_GAP) for i in range(count)], x0, x0 + total - 1


def sign(img, cx, cy, plus):
    """Minus or plus, two pixels thick, crisp."""
    draw = ImageDraw.Draw(img)
    h = SIGN_SIZE // 2
    draw.rectangle([cx - h, cy - 1, cx + h, cy], fill=SIGN)
    if plus:
        draw.rectangle([cx - 1, cy - h, cx, cy + h - 1], fill=SIGN)


def _signs(img, first, last, minus, plus):
    cy = LEVEL_BOTTOM - 4
    if minus:
        sign(img, first - 10 - SIGN_SIZE // 2, cy, False)
    if plus:
        sign(img, last + 11 + SIGN_SIZE // 2, cy, True)


def bar_row(img, lit, count=10, minus=True, plus=True):
    """Volume: rising bars, the first `lit` filled."""
    lefts, first, last = _bar_lefts(count)
    for i, x in enumerate(lefts):
        h = BAR_MIN_H + i
        element(img, x, LEVEL_BOTTOM - h + 1, x + BAR_W - 1, LEVEL_BOTTOM, i < lit)
    _signs(img, first, last, minus, plus)


def tick_row(img, count=10, minus=True, plus=True):
    """Volume at rest: empty tick marks where the bars would stand."""
    lefts, first, last = _bar_lefts(count)
    draw = ImageDraw.Draw(img)
    for x in lefts:
        cx = x + BAR_W // 2
        draw.rectangle([cx - 1, LEVEL_BOTTOM - 5, cx, LEVEL_BOTTOM], fill=UNLIT_EDGE)
    _signs(img, first, last, minus, plus)


def wedge_slider(img, signs=True, x0=40, x1=150, rise=15, knob=0.62):
    """Speaker balance/level wedge: thin at the left, tall at the right."""
    ss = SUPERSAMPLE
    y1 = LEVEL_BOTTOM + 1
    shape = Image.new("L", (WIDTH * ss, HEIGHT * ss), 0)
    ImageDraw.Draw(shape).polygon(
        [(x0 * ss, (y1 - 2) * ss), (x1 * ss, (y1 - rise) * ss),
         (x1 * ss, y1 * ss), (x0 * ss, y1 * ss)], fill=255)
    shape = shape.reduce(ss)
    ring = ImageChops.subtract(shape.filter(ImageFilter.MaxFilter(3)), shape)
    img.paste(UNLIT_EDGE, (0, 0), ring)
    # filled part fades from dark to lit up to the knob, then stays unlit
    fill = Image.new("RGB", img.size, UNLIT_FILL)
    fdraw = ImageDraw.Draw(fill)
    kx = int(round(_lerp(x0, x1, knob)))
    for x in range(x0, kx + 1):
        fdraw.line([(x, 0), (x, HEIGHT)], fill=_mix(UNLIT_EDGE, LIT, (x - x0) / (kx - x0)))
    img.paste(fill, (0, 0), shape)
    draw = ImageDraw.Draw(img)
    # knob: a short upright capsule
    top = int(y1 - 2 - (rise - 2) * knob) - 4
    draw.rounded_rectangle([kx - 2, top, kx + 2, y1 + 1], radius=2, fill=CAPTION, outline=SHADOW)
    if signs:
        cy = LEVEL_BOTTOM - 4
        sign(img, x0 - 12 - SIGN_SIZE // 2, cy, False)
        sign(img, x1 + 12 + SIGN_SIZE // 2, cy, True)


def osd(caption_text):
    img = panel()
    caption(img, caption_text)
    return img
