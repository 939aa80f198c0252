"""Shared look of every on-screen display picture.

Everything that must look the same across the catalogue lives here: the
panel, the caption, the line-art ink with its glow, and the level rows
(brightness slots, volume bars, tick marks, the speaker wedge, battery cells).
Symbol functions only describe shapes; they never choose colours, and they
keep the shared stroke width except for fine inner detail.

Every coordinate, width and radius below is given on the 190 x 114 grid of
the picture at 100 %. A picture is drawn at a display scale (1.0 for the
190 x 114 pictures; 1.5, 2.0 and 3.0 for the 150, 200 and 300 % masters) and
every such number is multiplied by it where it is drawn, so the larger
pictures look the same, only sharper.
At 1.0 every multiplication is exact, so the 100 % pictures keep their
pixels. Pixel-grid shapes (panel, caption, level rows) snap their edges to
whole pixels; line art is drawn supersampled and keeps its fractional places.
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


def px(v, scale):
    """A position or length on the 100 % grid in pixels at `scale`, rounded
    half up (so 190 x 114 becomes 285 x 171 at 1.5)."""
    return int(math.floor(v * scale + 0.5))


def thick(v, scale):
    """Like px, but never thinner than one pixel: for borders and rims."""
    return max(1, px(v, scale))


def size_at(scale):
    return px(WIDTH, scale), px(HEIGHT, scale)


def box(draw, x0, y0, x1, y1, fill, scale):
    """Fill the pixels x0..x1, y0..y1 of the 100 % grid (both inclusive), as
    ImageDraw.rectangle does, at `scale`: the edges x0 and x1 + 1 are scaled."""
    draw.rectangle([px(x0, scale), px(y0, scale), px(x1 + 1, scale) - 1, px(y1 + 1, scale) - 1],
                   fill=fill)


def _grow(mask, n):
    """The mask grown by n whole pixels in a square, as MaxFilter(2n + 1)
    grows it, but row and column apart: the rank filter takes seconds on
    the 300 % pictures. Zeros moved in at the edges do not change a maximum."""
    out = mask
    for step in ((1, 0), (0, 1)):
        source = out
        for d in range(1, n + 1):
            for sign in (-1, 1):
                moved = Image.new("L", mask.size, 0)
                moved.paste(source, (sign * d * step[0], sign * d * step[1]))
                out = ImageChops.lighter(out, moved)
    return out


def dilate(mask, radius):
    """Grow a mask by `radius` pixels (square reach). A fractional radius
    blends the two whole ones around it."""
    whole = int(math.floor(radius))
    frac = radius - whole
    if frac == 0:
        return _grow(mask, whole)
    return ImageChops.blend(_grow(mask, whole), _grow(mask, whole + 1), frac)


def shift_down(mask, dy):
    """The mask moved down by dy pixels; a fractional dy blends two moves."""
    def moved(n):
        out = Image.new("L", mask.size, 0)
        out.paste(mask, (0, n))
        return out
    whole = int(math.floor(dy))
    frac = dy - whole
    if frac == 0:
        return moved(whole)
    return ImageChops.blend(moved(whole), moved(whole + 1), frac)


# How ImageDraw fills a shape in a supersampled mask, in mask pixels and so
# the same at every scale: a whole coordinate p is the middle of pixel p,
# half a pixel in from that pixel's left edge, and a filled shape takes in
# the pixels its outline runs through, so it reaches half a pixel further
# out on every side than its outline. The 100 % pictures were drawn with
# both; at another scale it is the place and reach they stand for that is
# scaled, or line art comes out thinner and shifted by a fraction of a pixel.
_HALF = 0.5


def _ss(v, scale):
    """A place, or the half-width or radius of a filled shape, given on the
    100 % grid, in pixels of the supersampled mask at `scale`: with m the
    mask pixels at 100 % (v * SUPERSAMPLE), (m + _HALF) * scale - _HALF, as
    both a place and a reach carry that half pixel. Exactly m at 1.0."""
    return v * scale * SUPERSAMPLE + _HALF * (scale - 1)


def _lerp(a, b, t):
    return a + (b - a) * t


def _mix(c1, c2, t):
    return tuple(int(round(_lerp(a, b, t))) for a, b in zip(c1, c2))


# ---------------------------------------------------------------- panel

def panel(scale):
    """The empty panel: gradient upper half, dark band, one-pixel border."""
    w, h = size_at(scale)
    img = Image.new("RGB", (w, h), BORDER)
    draw = ImageDraw.Draw(img)
    rim = thick(1, scale)   # the same on all four sides
    for y in range(rim, h - rim):
        draw.line([(rim, y), (w - 1 - rim, y)], fill=_background_at(y, scale))
    return img


# ---------------------------------------------------------------- caption

_font_cache = {}


def _font(path, size):
    key = (path, size)
    if key not in _font_cache:
        _font_cache[key] = ImageFont.truetype(path, size)
    return _font_cache[key]


def caption_places(text):
    """[x of each letter's origin] in the caption at 100 %, in whole pixels
    from the picture's left edge, as its layout puts them.

    The caption is set once, at 100 %; other scales put the same letters in
    the same places, scaled, so letters spaced one way at 100 % are not
    spaced another way at 200 % (their widths round differently at each
    size). ImageDraw draws a string letter by letter at its pen positions
    rounded half up, so drawing each letter there gives the same pixels.
    """
    font = _font(CAPTION_FONT, CAPTION_SIZE)
    left, _t, right, _b = font.getbbox(text)
    x = (WIDTH - (right - left)) // 2 - left
    places = []
    for i, letter in enumerate(text):
        # the pen before a letter, kerning with the one before it included
        pen = font.getlength(text[:i + 1]) - font.getlength(letter)
        places.append(x + int(math.floor(pen + 0.5)))
    return places


def caption(img, text, *, scale, top=4):
    """Centred caption with a dark halo so it reads on the light gradient."""
    font = _font(CAPTION_FONT, px(CAPTION_SIZE, scale))
    y = px(top, scale) - font.getbbox(text)[1]
    mask = Image.new("L", img.size, 0)
    for letter, x in zip(text, caption_places(text)):
        if letter.isspace():
            continue
        one = Image.new("L", img.size, 0)
        ImageDraw.Draw(one).text((px(x, scale), y), letter, font=font, fill=255)
        mask = ImageChops.lighter(mask, one)
    # a crisp one-pixel rim plus a soft drop shadow below it
    grown = dilate(mask, 1 * scale)
    rim = _scaled(grown, 0.7)
    drop = shift_down(grown, 1 * scale)
    drop = _scaled(drop.filter(ImageFilter.GaussianBlur(1.2 * scale)), 0.9)
    halo = ImageChops.lighter(rim, drop)
    img.paste(CAPTION_HALO, (0, 0), halo)
    img.paste(CAPTION, (0, 0), mask)


# ---------------------------------------------------------------- ink

class Ink:
    """A supersampled coverage mask that symbols draw their line art into.

    Coordinates are pixels of the 100 % grid (floats allowed) and widths are
    in those pixels too; `scale` enlarges all of them for the picture at that
    display scale. A frame (origin and symbol scale) lets a symbol be drawn
    in its own units while strokes keep STROKE width.
    """

    def __init__(self, scale):
        self.scale = scale
        w, h = size_at(scale)
        self.mask = Image.new("L", (w * SUPERSAMPLE, h * SUPERSAMPLE), 0)
        self.draw = ImageDraw.Draw(self.mask)
        self.ox, self.oy, self.k = 0.0, 0.0, 1.0

    def frame(self, cx, cy, scale=1.0):
        """Place the local origin at (cx, cy) and scale local units."""
        self.ox, self.oy, self.k = cx, cy, scale
        return self

    def _pt(self, x, y):
        return (_ss(self.ox + x * self.k, self.scale), _ss(self.oy + y * self.k, self.scale))

    def _disc(self, px, py, r, value=255):
        self.draw.ellipse([px - r, py - r, px + r, py + r], fill=value)

    def polyline(self, points, closed=False, width=STROKE, value=255):
        pts = [self._pt(x, y) for x, y in points]
        if closed:
            pts = pts + [pts[0]]
        hw = _ss(width / 2.0, self.scale)
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
        self._disc(px, py, _ss(r * self.k, self.scale), value)

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
    """Lay an Ink's line art onto the picture: dark drop halo, blue glow,
    crisp line; halo and glow reach as far at every scale."""
    cover, s = ink.coverage(), ink.scale
    if shadow > 0:
        halo = dilate(cover, 2 * s).filter(ImageFilter.GaussianBlur(1.6 * s))
        img.paste(SHADOW, (0, 0), _scaled(halo, 0.55 * shadow))
    if glow > 0:
        wide = cover.filter(ImageFilter.GaussianBlur(3.2 * s))
        tight = cover.filter(ImageFilter.GaussianBlur(1.2 * s))
        amount = ImageChops.add(_scaled(wide, 0.9 * glow), _scaled(tight, 0.6 * glow))
        layer = Image.new("RGB", img.size, (0, 0, 0))
        layer.paste(GLOW, (0, 0), amount)
        img.paste(ImageChops.screen(img, layer), (0, 0))
    img.paste(colour, (0, 0), cover)


# ---------------------------------------------------------------- level rows

def element(img, x0, y0, x1, y1, lit, *, scale):
    """One level element (slot, bar or cell): crisp box, corners softened.

    x0..x1, y0..y1 are the pixels it covers at 100 %, both inclusive. Its
    rim, highlight lines and softened corners are one pixel there and keep
    one width all round at any scale, wherever the box's edges fall.
    """
    draw = ImageDraw.Draw(img)
    left, top = px(x0, scale), px(y0, scale)
    right, bottom = px(x1 + 1, scale) - 1, px(y1 + 1, scale) - 1
    t = thick(1, scale)
    if lit:
        fill = lit if isinstance(lit, tuple) else LIT
        draw.rectangle([left, top, right, bottom], fill=fill)
        draw.rectangle([left + t, top, right - t, top + t - 1],
                       fill=_mix(fill, (255, 255, 255), 0.35))
        draw.rectangle([left + t, bottom - t + 1, right - t, bottom],
                       fill=_mix(fill, (0, 0, 0), 0.3))
    else:
        draw.rectangle([left, top, right, bottom], fill=UNLIT_EDGE)
        draw.rectangle([left + t, top + t, right - t, bottom - t], fill=UNLIT_FILL)
    # soften the four corners into the panel
    for cx in (left, right - t + 1):
        for cy in (top, bottom - t + 1):
            for y in range(cy, cy + t):
                back = _background_at(y, scale)
                for x in range(cx, cx + t):
                    img.putpixel((x, y), _mix(img.getpixel((x, y)), back, 0.6))


def _background_at(y, scale):
    """Panel colour on row y of the picture at `scale` (only rows vary).

    The gradients run over the rows of the 100 % grid; a row at another
    scale takes the place of its middle there, so it is exact at 1.0.
    """
    inner_top, inner_bottom = 1, HEIGHT - 2
    u = (y + 0.5) / scale - 0.5
    if y < px(SPLIT_ROW + 1, scale):
        t = (u - inner_top) / (SPLIT_ROW - inner_top)
        v = _lerp(TOP_GREY, MID_GREY, min(1.0, max(0.0, t)))
    else:
        t = (u - (SPLIT_ROW + 1)) / (inner_bottom - (SPLIT_ROW + 1))
        v = _lerp(BAND_DARK, BAND_BOTTOM, min(1.0, max(0.0, t)) ** 1.6)
    g = int(round(v))
    return (g, g, g)


def slot_row(img, count, lit, *, scale, width=18, height=9, gap=5):
    """Brightness: a centred row of `count` slots, the first `lit` lit."""
    total = count * width + (count - 1) * gap
    x = (WIDTH - total) // 2
    y1 = LEVEL_BOTTOM
    for i in range(count):
        element(img, x, y1 - height + 1, x + width - 1, y1, i < lit, scale=scale)
        x += width + gap


# Volume row: minus sign, ten rising bars, plus sign.
BAR_W, BAR_GAP, BAR_MIN_H = 10, 4, 6
SIGN_SIZE = 9


def _bar_lefts(count):
    total = count * BAR_W + (count - 1) * BAR_GAP
    x0 = (WIDTH - total) // 2
    return [x0 + i * (BAR_W + BAR_GAP) for i in range(count)], x0, x0 + total - 1


def sign(img, cx, cy, plus, *, scale):
    """Minus or plus, two pixels thick, crisp."""
    draw = ImageDraw.Draw(img)
    h = SIGN_SIZE // 2
    box(draw, cx - h, cy - 1, cx + h, cy, SIGN, scale)
    if plus:
        box(draw, cx - 1, cy - h, cx, cy + h - 1, SIGN, scale)


def _signs(img, first, last, minus, plus, scale):
    cy = LEVEL_BOTTOM - 4
    if minus:
        sign(img, first - 10 - SIGN_SIZE // 2, cy, False, scale=scale)
    if plus:
        sign(img, last + 11 + SIGN_SIZE // 2, cy, True, scale=scale)


def bar_row(img, lit, *, scale, count=10, minus=True, plus=True):
    """Volume: rising bars, the first `lit` filled."""
    lefts, first, last = _bar_lefts(count)
    for i, x in enumerate(lefts):
        h = BAR_MIN_H + i
        element(img, x, LEVEL_BOTTOM - h + 1, x + BAR_W - 1, LEVEL_BOTTOM, i < lit, scale=scale)
    _signs(img, first, last, minus, plus, scale)


def tick_row(img, *, scale, count=10, minus=True, plus=True):
    """Volume at rest: empty tick marks where the bars would stand."""
    lefts, first, last = _bar_lefts(count)
    draw = ImageDraw.Draw(img)
    for x in lefts:
        cx = x + BAR_W // 2
        box(draw, cx - 1, LEVEL_BOTTOM - 5, cx, LEVEL_BOTTOM, UNLIT_EDGE, scale)
    _signs(img, first, last, minus, plus, scale)


def wedge_slider(img, *, scale, signs=True, x0=40, x1=150, rise=15, knob=0.62):
    """Speaker balance/level wedge: thin at the left, tall at the right."""
    ss = SUPERSAMPLE
    y1 = LEVEL_BOTTOM + 1

    def at(x, y, out_x, out_y):
        # a corner moved out, left/up (-1) or right/down (1), by the fill's
        # own half pixel scaled with the rest
        g = _HALF * (scale - 1)
        return (_ss(x, scale) + out_x * g, _ss(y, scale) + out_y * g)
    shape = Image.new("L", (img.width * ss, img.height * ss), 0)
    ImageDraw.Draw(shape).polygon(
        [at(x0, y1 - 2, -1, -1), at(x1, y1 - rise, 1, -1), at(x1, y1, 1, 1), at(x0, y1, -1, 1)],
        fill=255)
    shape = shape.reduce(ss)
    ring = ImageChops.subtract(dilate(shape, 1 * scale), shape)
    img.paste(UNLIT_EDGE, (0, 0), ring)
    # filled part fades from dark to lit up to the knob, then stays unlit;
    # each column takes the shade of its middle's place on the 100 % grid
    fill = Image.new("RGB", img.size, UNLIT_FILL)
    fdraw = ImageDraw.Draw(fill)
    kx = int(round(_lerp(x0, x1, knob)))
    for x in range(px(x0, scale), px(kx + 1, scale)):
        u = (x + 0.5) / scale - 0.5
        t = min(1.0, max(0.0, (u - x0) / (kx - x0)))
        fdraw.line([(x, 0), (x, img.height)], fill=_mix(UNLIT_EDGE, LIT, t))
    img.paste(fill, (0, 0), shape)
    draw = ImageDraw.Draw(img)
    # knob: a short upright capsule
    top = int(y1 - 2 - (rise - 2) * knob) - 4
    draw.rounded_rectangle([px(kx - 2, scale), px(top, scale),
                            px(kx + 3, scale) - 1, px(y1 + 2, scale) - 1],
                           radius=px(2, scale), fill=CAPTION, outline=SHADOW,
                           width=thick(1, scale))
    if signs:
        cy = LEVEL_BOTTOM - 4
        sign(img, x0 - 12 - SIGN_SIZE // 2, cy, False, scale=scale)
        sign(img, x1 + 12 + SIGN_SIZE // 2, cy, True, scale=scale)


def osd(caption_text, scale=1.0):
    """The panel with its caption, at a display scale (1.0 is 190 x 114)."""
    img = panel(scale)
    caption(img, caption_text, scale=scale)
    return img
