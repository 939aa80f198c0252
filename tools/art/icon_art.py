"""The application icon: three stacked toy blocks lettered V, H and K.

Drawn from one description at 48 and 32 pixels (supersampled), and pixel by
pixel at 16 where antialiased letters would turn to mush. Each size is then
kept at 24 bpp and quantised to 256 and 16 colour palettes; the background is
transparent through the AND mask.
"""

from PIL import Image, ImageDraw, ImageFont

import formats

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
OUTLINE = (28, 30, 44)
LETTER = (255, 255, 255)

# (letter, face colour); order of drawing: bottom left, bottom right, top.
BLOCKS = [("H", (232, 84, 58)), ("K", (62, 178, 78)), ("V", (58, 124, 228))]

# Per size: front face edge, depth offset, origin of the bottom-left block.
LAYOUT = {48: (18, 6, 2.5, 27.5), 32: (12, 4, 1.5, 17.5)}
SUPERSAMPLE = 8

# 5 x 5 glyphs for the 16-pixel icon: they fill the face so they stay legible.
GLYPHS = {
    "V": ["X...X", "X...X", ".X.X.", ".X.X.", "..X.."],
    "H": ["X...X", "X...X", "XXXXX", "X...X", "X...X"],
    "K": ["X..X.", "X.X..", "XX...", "X.X..", "X..X."],
}


def _mix(c1, c2, t):
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(c1, c2))


def _shades(colour):
    return colour, _mix(colour, (255, 255, 255), 0.45), _mix(colour, (0, 0, 0), 0.35)


def _letter_shadow(face):
    return _mix(face, OUTLINE, 0.7)


def design_palette():
    """Every colour the icon is drawn with; antialiasing only blends these."""
    colours = [OUTLINE, LETTER]
    for _letter, base in BLOCKS:
        colours += list(_shades(base)) + [_letter_shadow(base)]
    return colours


def _block_faces(x, y, s, d):
    front = [(x, y), (x + s, y), (x + s, y + s), (x, y + s)]
    top = [(x, y), (x + d, y - d), (x + s + d, y - d), (x + s, y)]
    side = [(x + s, y), (x + s + d, y - d), (x + s + d, y + s - d), (x + s, y + s)]
    return front, top, side


def _block_positions(s, x0, y0):
    """Front-face top-left corners: bottom left, bottom right, top (centred)."""
    return [(x0, y0), (x0 + s, y0), (x0 + s / 2.0, y0 - s)]


def draw_smooth(size):
    """RGBA icon at 48 or 32 pixels, alpha either 0 or 255."""
    s, d, x0, y0 = LAYOUT[size]
    k = SUPERSAMPLE
    big = size * k
    colour = Image.new("RGB", (big, big), (0, 0, 0))
    cover = Image.new("L", (big, big), 0)
    cdraw, adraw = ImageDraw.Draw(colour), ImageDraw.Draw(cover)
    font = ImageFont.truetype(FONT, int(s * 0.78 * k))
    line = max(1, int(round(k * (1.0 if size >= 48 else 0.8))))
    for (letter, base), (x, y) in zip(BLOCKS, _block_positions(s, x0, y0)):
        face, light, dark = _shades(base)
        for poly, fill in zip(_block_faces(x, y, s, d), (face, light, dark)):
            pts = [(px * k, py * k) for px, py in poly]
            cdraw.polygon(pts, fill=fill)
            adraw.polygon(pts, fill=255)
            cdraw.line(pts + [pts[0]], fill=OUTLINE, width=line, joint="curve")
            adraw.line(pts + [pts[0]], fill=255, width=line, joint="curve")
        # letter centred on the front face, with a one-step dark shadow
        cx, cy = (x + s / 2.0) * k, (y + s / 2.0) * k
        l, t, r, b = font.getbbox(letter)
        tx, ty = cx - (l + r) / 2.0, cy - (t + b) / 2.0
        cdraw.text((tx + k * 0.6, ty + k * 0.6), letter, font=font, fill=_letter_shadow(face))
        cdraw.text((tx, ty), letter, font=font, fill=LETTER)
    colour = colour.reduce(k)
    cover = cover.reduce(k)
    out = Image.new("RGBA", (size, size))
    cpx, apx = colour.load(), cover.load()
    opx = out.load()
    for yy in range(size):
        for xx in range(size):
            a = apx[xx, yy]
            if a < 128:
                opx[xx, yy] = (0, 0, 0, 0)
            else:   # colours were drawn over black: undo the premultiplication
                r, g, b = cpx[xx, yy]
                opx[xx, yy] = tuple(min(255, (c * 255 + a // 2) // a) for c in (r, g, b)) + (255,)
    return out


def _pixel_block(img, x0, y0, base, glyph):
    """One block at 16 pixels: 7 x 7 front face, depth of two pixels."""
    face, light, dark = _shades(base)

    def put(x, y, c):
        img.putpixel((x, y), c + (255,))

    for x in range(x0 + 2, x0 + 9):             # back edge of the top face
        put(x, y0 - 2, OUTLINE)
    put(x0 + 1, y0 - 1, OUTLINE)
    for x in range(x0 + 2, x0 + 8):
        put(x, y0 - 1, light)
    for y in range(y0 - 2, y0 + 5):             # back edge of the side face
        put(x0 + 8, y, OUTLINE)
    for y in range(y0, y0 + 5):
        put(x0 + 7, y, dark)
    put(x0 + 7, y0 + 5, OUTLINE)
    for y in range(y0, y0 + 7):
        for x in range(x0, x0 + 7):
            edge = x in (x0, x0 + 6) or y in (y0, y0 + 6)
            put(x, y, OUTLINE if edge else face)
    left = x0 + 1 + (5 - max(r.rfind("X") + 1 for r in glyph)) // 2
    for gy, row in enumerate(glyph):
        for gx, c in enumerate(row):
            if c == "X":
                put(left + gx, y0 + 1 + gy, LETTER)


def draw_pixel16():
    """The 16-pixel icon, placed pixel by pixel."""
    img = Image.new("RGBA", (16, 16), (0, 0, 0, 0))
    for (letter, base), (x, y) in zip(BLOCKS, [(0, 9), (6, 9), (3, 3)]):
        _pixel_block(img, x, y, base, GLYPHS[letter])
    return img


def draw_all():
    return {48: draw_smooth(48), 32: draw_smooth(32), 16: draw_pixel16()}


def _split(rgba):
    w, h = rgba.size
    px = list(rgba.getdata())
    transparent = [p[3] < 128 for p in px]
    rgb = [(0, 0, 0) if t else p[:3] for p, t in zip(px, transparent)]
    return w, h, rgb, transparent


def _nearest(colour, palette):
    r, g, b = colour
    best = min(range(len(palette)), key=lambda i: (palette[i][0] - r) ** 2 * 3
               + (palette[i][1] - g) ** 2 * 4 + (palette[i][2] - b) ** 2 * 2)
    return best


def quantise(rgb, transparent, colours):
    """Palette (black first, for the transparent pixels) and indices.

    Sixteen colours are too few for a median cut to keep every face shade,
    so the 4-bpp images snap to the colours the icon is drawn with; the
    256-colour images get an adaptive palette.
    """
    if colours <= 16:
        palette = [(0, 0, 0)] + design_palette()
        if len(palette) > colours:
            raise ValueError("icon design uses more than %d colours" % colours)
        cache = {}
        indices = []
        for p, t in zip(rgb, transparent):
            if t:
                indices.append(0)
            else:
                if p not in cache:
                    cache[p] = 1 + _nearest(p, palette[1:])
                indices.append(cache[p])
        return palette, indices
    opaque = [p for p, t in zip(rgb, transparent) if not t]
    strip = Image.new("RGB", (len(opaque), 1))
    strip.putdata(opaque)
    q = strip.quantize(colors=colours - 1, method=Image.Quantize.MEDIANCUT,
                       dither=Image.Dither.NONE)
    used = max(q.getdata()) + 1
    flat = q.getpalette()[:3 * used]
    palette = [(0, 0, 0)] + [tuple(flat[3 * i:3 * i + 3]) for i in range(used)]
    it = iter(q.getdata())
    indices = [0 if t else next(it) + 1 for t in transparent]
    return palette, indices


def icon_file(images=None):
    """ICO bytes: 48, 32, 16 pixels at 4, 8 and 24 bpp."""
    images = images or draw_all()
    parts = []
    for size, bpp in formats.ICON_SET:
        w, h, rgb, transparent = _split(images[size])
        if bpp == 24:
            dib = formats.encode_icon_image(w, h, 24, rgb, transparent)
        else:
            palette, indices = quantise(rgb, transparent, 1 << bpp)
            dib = formats.encode_icon_image(w, h, bpp, indices, transparent, palette)
        parts.append((w, h, bpp, dib))
    return formats.encode_ico(parts)
