#!/usr/bin/python3
"""Draw every on-screen display picture and the application icon.

Writes res/png/<id>.png, res/bmp/<id>.bmp, res/icon/VaskHotkey.ico and a
labelled contact sheet at build/art/contact_sheet.png, then reads every file
back and checks its format; exits non-zero listing each fault found.

For displays that scale it also draws every picture, battery pictures too,
at 150, 200 and 300 % into res/png150/, res/png200/ and res/png300/ as
full-colour PNG, lists them in res/scaled_pictures.rc under each picture's
number in a resource type of their own scale (PNG150, PNG200, PNG300), and
lays the 150 % ones out on build/art/contact_sheet_150.png.

Usage: /usr/bin/python3 tools/art/make_art.py [--out-root DIR]
"""

import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True      # keep the source tree free of __pycache__

from PIL import Image, ImageDraw, ImageFont  # noqa: E402

import formats  # noqa: E402
import icon_art  # noqa: E402
import osd_style as st  # noqa: E402
import symbols as sym  # noqa: E402


# ---------------------------------------------------------------- kinds

# Every painter draws one picture at a display scale: 1.0 is the 190 x 114
# picture; 1.5, 2.0 and 3.0 draw the masters for displays that scale. Places
# below are on the 100 % grid; osd_style scales them where they are drawn.
# (A symbol's own `scale` argument only sizes the symbol within the picture.)

def brightness(caption, lit, brighter, scale=1.0):
    """Cog sun (outlined when dimming, filled when brightening) and arrow."""
    img = st.osd(caption, scale)
    ink = st.Ink(scale)
    sym.cog_sun(ink, 79, 53, filled=brighter, scale=1.12)
    sym.triangle(ink, 119, 53, up=brighter)
    st.glow_ink(img, ink, glow=1.5 if brighter else 0.9)
    st.slot_row(img, 7, lit, scale=scale)
    return img


SPEAKER_AT = (102, 53)   # same place whether or not waves are drawn


def volume(lit=0, minus=True, plus=True, waves=0, ticks=False, scale=1.0):
    img = st.osd("VOLUME", scale)
    ink = st.Ink(scale)
    sym.speaker(ink, *SPEAKER_AT, scale=1.25, waves=waves)
    st.glow_ink(img, ink)
    if ticks:
        st.tick_row(img, minus=minus, plus=plus, scale=scale)
    else:
        st.bar_row(img, lit, minus=minus, plus=plus, scale=scale)
    return img


def speakers(muted, scale=1.0):
    img = st.osd("SPEAKERS", scale)
    ink = st.Ink(scale)
    sym.speaker(ink, 94, 49, scale=1.1, waves=0 if muted else 3, cross=muted)
    st.glow_ink(img, ink)
    st.wedge_slider(img, signs=not muted, scale=scale)
    return img


def wireless(on, scale=1.0):
    img = st.osd("WIRELESS", scale)
    ink = st.Ink(scale)
    sym.antenna(ink, 95, 58)
    if on:
        st.glow_ink(img, ink)
    else:
        st.glow_ink(img, ink, colour=st.SYMBOL_DIM, glow=0, shadow=0.6)
    return img


OUTPUTS = {"DISPLAY": sym.displayport, "HDMI": sym.hdmi, "VGA": sym.vga, "LCD": sym.lcd}


def outputs(caption, scale=1.0):
    """Display outputs named in the caption, side by side in caption order."""
    names = [n.strip() for n in caption.split("+")]
    img = st.osd(caption, scale)
    ink = st.Ink(scale)
    if len(names) == 1:
        OUTPUTS[names[0]](ink, 95, 62, scale=1.4)
    else:
        OUTPUTS[names[0]](ink, 52, 62, scale=1.1)
        OUTPUTS[names[1]](ink, 138, 62, scale=1.1)
    st.glow_ink(img, ink)
    return img


# Battery: ten cells of 8 px with 2 px gaps inside a rounded shell.
CELLS, CELL_W, CELL_GAP = 10, 8, 2
CELL_X0, CELL_Y0, CELL_Y1 = 44, 50, 78
SHELL = (40, 46, 145, 82)
PALE_BLUE, GREEN = (172, 224, 250), (92, 232, 100)


def cell_colour(i):
    """Charge colour by position: pale blue at the left, green at the right."""
    return st._mix(PALE_BLUE, GREEN, i / (CELLS - 1))


def battery(caption, filled=0, uniform=False, disabled=False, scale=1.0):
    img = st.osd(caption, scale)
    x0, y0, x1, y1 = SHELL
    st.box(ImageDraw.Draw(img), x0 + 1, y0 + 1, x1 - 1, y1 - 1, (16, 21, 27), scale)
    for i in range(CELLS):
        x = CELL_X0 + i * (CELL_W + CELL_GAP)
        lit = (st.LIT if uniform else cell_colour(i)) if i < filled else False
        st.element(img, x, CELL_Y0, x + CELL_W - 1, CELL_Y1, lit, scale=scale)
    ink = st.Ink(scale)
    sym.battery_shell(ink, *SHELL)
    if disabled:
        st.glow_ink(img, ink, colour=st.SYMBOL_DIM, glow=0, shadow=0.6)
        cut = st.Ink(scale)
        sym.slash(cut, 36, 92, 154, 36, width=8)
        img.paste(st.SHADOW, (0, 0), cut.coverage())
        ink = st.Ink(scale)
        sym.slash(ink, 36, 92, 154, 36, width=3)
    st.glow_ink(img, ink)
    return img


# ---------------------------------------------------------------- catalogue

VOLUME_LEVEL_IDS = [194, 196, 197, 207, 198, 199, 200, 201, 202, 203, 204]


def catalogue():
    """{id: (file kind, caption, painter)}; kind is 'rgb', 'rgba' or 'bmp'.

    A painter takes the display scale (1.0 when left out) and returns the
    picture drawn at it, in RGB.
    """
    cat = {}
    for i in range(140, 148):
        cat[i] = ("rgb", "DIMMER",
                  lambda s=1.0, i=i: brightness("DIMMER", i - 140, False, scale=s))
    for i in range(148, 155):
        cat[i] = ("rgb", "BRIGHTER",
                  lambda s=1.0, i=i: brightness("BRIGHTER", i - 148, True, scale=s))
    cat[139] = ("rgb", "BRIGHTER", lambda s=1.0: brightness("BRIGHTER", 7, True, scale=s))
    cat[155] = ("rgb", "SPEAKERS", lambda s=1.0: speakers(muted=False, scale=s))
    cat[156] = ("rgb", "SPEAKERS", lambda s=1.0: speakers(muted=True, scale=s))
    cat[157] = ("rgba", "WIRELESS", lambda s=1.0: wireless(True, scale=s))
    cat[158] = ("rgba", "WIRELESS", lambda s=1.0: wireless(False, scale=s))
    for i, caption in [(179, "DISPLAY"), (180, "VGA + HDMI"), (181, "HDMI"),
                       (182, "HDMI + DISPLAY"), (183, "LCD"), (184, "LCD + DISPLAY"),
                       (185, "LCD + HDMI"), (186, "LCD + VGA"), (187, "VGA"),
                       (188, "VGA + DISPLAY")]:
        kind = "rgb" if i in (181, 185) else "rgba"
        cat[i] = (kind, caption, lambda s=1.0, c=caption: outputs(c, scale=s))
    for level, i in enumerate(VOLUME_LEVEL_IDS):
        cat[i] = ("rgba", "VOLUME", lambda s=1.0, n=level: volume(n, scale=s))
    cat[205] = ("rgba", "VOLUME", lambda s=1.0: volume(plus=False, ticks=True, scale=s))
    cat[206] = ("rgba", "VOLUME",
                lambda s=1.0: volume(minus=False, waves=2, ticks=True, scale=s))
    for i in range(164, 175):
        cat[i] = ("bmp", "BATTERY ENABLED",
                  lambda s=1.0, n=i - 164: battery("BATTERY ENABLED", filled=n, scale=s))
    cat[163] = ("bmp", "BATTERY", lambda s=1.0: battery("BATTERY", scale=s))
    cat[175] = ("bmp", "BATTERY DISABLED",
                lambda s=1.0: battery("BATTERY DISABLED", disabled=True, scale=s))
    cat[176] = ("bmp", "BATTERY ENABLED",
                lambda s=1.0: battery("BATTERY ENABLED", filled=CELLS, uniform=True, scale=s))
    cat[177] = ("bmp", "BATTERY", lambda s=1.0: battery("BATTERY", filled=CELLS, scale=s))
    return dict(sorted(cat.items()))


# ---------------------------------------------------------------- output

# Display scales the masters are drawn at, in per cent; each has a folder
# res/png<percent>/ and a resource type PNG<percent> of its own. All three
# together weigh about 3.7 MB, within the 6.4 MB the program can spare for
# them; were they ever too heavy, 300 % goes first (notebooks rarely run it).
MASTER_PERCENTS = (150, 200, 300)
SCALED_RC = os.path.join("res", "scaled_pictures.rc")


def paths(root, pid, kind):
    if kind == "bmp":
        return os.path.join(root, "res", "bmp", "%d.bmp" % pid)
    return os.path.join(root, "res", "png", "%d.png" % pid)


def master_path(root, percent, pid):
    return os.path.join(root, "res", "png%d" % percent, "%d.png" % pid)


def master_mode(kind):
    """Battery pictures are opaque: their masters are RGB like the rest."""
    return "RGBA" if kind == "rgba" else "RGB"


def write_all(root):
    for sub in ["res/png", "res/bmp", "res/icon", "build/art"] + \
            ["res/png%d" % p for p in MASTER_PERCENTS]:
        os.makedirs(os.path.join(root, sub), exist_ok=True)
    written = []
    for pid, (kind, _caption, paint) in catalogue().items():
        img = paint()
        if img.size != (st.WIDTH, st.HEIGHT):
            raise SystemExit("picture %d is %dx%d" % ((pid,) + img.size))
        if kind == "bmp":
            data = formats.encode_bmp555(img)
        else:
            data = formats.encode_png(img.convert(master_mode(kind)))
        path = paths(root, pid, kind)
        with open(path, "wb") as f:
            f.write(data)
        written.append((pid, kind, path))
    ico = os.path.join(root, "res", "icon", "VaskHotkey.ico")
    with open(ico, "wb") as f:
        f.write(icon_art.icon_file())
    return written, ico


def write_masters(root):
    """[(percent, id, kind, path)] of every master written."""
    masters = []
    for percent in MASTER_PERCENTS:
        scale = percent / 100.0
        for pid, (kind, _caption, paint) in catalogue().items():
            img = paint(scale)
            if img.size != st.size_at(scale):
                raise SystemExit("picture %d at %d %% is %dx%d" % ((pid, percent) + img.size))
            path = master_path(root, percent, pid)
            with open(path, "wb") as f:
                f.write(formats.encode_png(img.convert(master_mode(kind))))
            masters.append((percent, pid, kind, path))
    return masters


def scaled_rc_text(masters):
    lines = ["// The OSD pictures drawn for displays that scale: every picture at 150, 200",
             "// and 300 %, as PNG, under its own number in the type of its scale.",
             "// Written by tools/art/make_art.py (make art); do not edit.",
             "#include <windows.h>",
             "",
             "LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL"]
    for percent in sorted({m[0] for m in masters}):
        lines.append("")
        for pid in sorted(m[1] for m in masters if m[0] == percent):
            lines.append('%d PNG%d "png%d/%d.png"' % (pid, percent, percent, pid))
    return "\n".join(lines) + "\n"


def write_scaled_rc(root, masters):
    path = os.path.join(root, SCALED_RC)
    with open(path, "w", newline="\n") as f:
        f.write(scaled_rc_text(masters))
    return path


def verify(written, ico, masters=()):
    """Read every file back; return a list of faults."""
    faults = []
    for pid, kind, path in written:
        with open(path, "rb") as f:
            data = f.read()
        if kind == "bmp":
            problems = formats.check_bmp(data)
        else:
            problems = formats.check_png(data, rgba=(kind == "rgba"))
        faults += ["%s: %s" % (path, p) for p in problems]
    for percent, _pid, kind, path in masters:
        with open(path, "rb") as f:
            problems = formats.check_png(f.read(), rgba=(kind == "rgba"),
                                         size=st.size_at(percent / 100.0))
        faults += ["%s: %s" % (path, p) for p in problems]
    with open(ico, "rb") as f:
        faults += ["%s: %s" % (ico, p) for p in formats.check_ico(f.read())]
    return faults


def contact_sheet(written, ico, out_path, columns=6, size=(st.WIDTH, st.HEIGHT)):
    """All pictures as shipped (bitmaps decoded from their 5-5-5 files), and
    the icon when `ico` is given; `size` is the size of one picture."""
    font = ImageFont.truetype(st.FONT_DIR + "/DejaVuSans.ttf", 11)
    pic_w, pic_h = size
    cell_w, cell_h = pic_w + 12, pic_h + 24
    cells = len(written) + (1 if ico else 0)
    rows = (cells + columns - 1) // columns
    sheet = Image.new("RGB", (columns * cell_w + 12, rows * cell_h + 12), (58, 60, 64))
    draw = ImageDraw.Draw(sheet)

    def place(n, picture, label):
        x = 12 + (n % columns) * cell_w
        y = 12 + (n // columns) * cell_h
        sheet.paste(picture, (x, y), picture if picture.mode == "RGBA" else None)
        tw = draw.textlength(label, font=font)
        draw.text((x + (pic_w - tw) / 2, y + pic_h + 4), label, font=font,
                  fill=(230, 230, 230))

    for n, (pid, kind, path) in enumerate(written):
        with open(path, "rb") as f:
            data = f.read()
        if path.endswith(".bmp"):      # a battery master is a PNG
            picture = formats.decode_bmp555(data)
        else:
            picture = Image.open(path)
            picture.load()
        place(n, picture, "%d (%s)" % (pid, kind))
    if ico is None:
        sheet.save(out_path, "PNG")
        return
    # the icon images on a checkerboard, so the mask shows
    board = Image.new("RGB", (st.WIDTH, st.HEIGHT), (200, 200, 200))
    bd = ImageDraw.Draw(board)
    for by in range(0, st.HEIGHT, 6):
        for bx in range(0, st.WIDTH, 6):
            if (bx // 6 + by // 6) % 2:
                bd.rectangle([bx, by, bx + 5, by + 5], fill=(150, 150, 150))
    with open(ico, "rb") as f:
        top = {48: 4, 32: 58, 16: 96}
        for size, bpp, im in formats.decode_ico(f.read()):
            left = 6 + {4: 0, 8: 1, 24: 2}[bpp] * 62
            board.paste(im, (left, top[size]), im)
    place(len(written), board, "icon (4, 8, 24 bpp)")
    sheet.save(out_path, "PNG")


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out-root", default=os.path.dirname(os.path.dirname(HERE)),
                        help="repository root to write res/ and build/art/ under")
    args = parser.parse_args(argv)
    root = os.path.abspath(args.out_root)
    written, ico = write_all(root)
    masters = write_masters(root)
    write_scaled_rc(root, masters)
    faults = verify(written, ico, masters)
    art = os.path.join(root, "build", "art")
    contact_sheet(written, ico, os.path.join(art, "contact_sheet.png"))
    contact_sheet([(pid, kind, path) for percent, pid, kind, path in masters if percent == 150],
                  None, os.path.join(art, "contact_sheet_150.png"), size=st.size_at(1.5))
    if faults:
        for fault in faults:
            print("make_art: " + fault, file=sys.stderr)
        print("make_art: %d fault(s) found" % len(faults), file=sys.stderr)
        return 1
    print("make_art: %d PNG, %d BMP, 1 icon and %d masters at %s %% written under %s;"
          " all checks passed"
          % (sum(k != "bmp" for _, k, _ in written), sum(k == "bmp" for _, k, _ in written),
             len(masters), ", ".join(str(p) for p in MASTER_PERCENTS), root))
    return 0


if __name__ == "__main__":
    sys.exit(main())
