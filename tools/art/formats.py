"""Encoders and strict checkers for the three file kinds the resources use.

PNG:  8-bit RGB or RGBA, not interlaced, only IHDR / IDAT / IEND chunks
      (so no date or time: a rebuild gives the same bytes); 190 x 114, or
      larger for the masters drawn for displays that scale.
BMP:  190 x 114, 16 bits per pixel 0RRRRRGGGGGBBBBB, bottom-up, BI_RGB,
      followed by two zero bytes so the bitmap resource is 43362 bytes.
ICO:  classic DIB icon images (4, 8 and 24 bpp) with a 1-bpp AND mask.

The checkers return a list of problems (empty when the file is right) so the
generator can report every fault at once instead of stopping at the first.
"""

import io
import struct
import zlib

from PIL import Image

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"

OSD_W, OSD_H = 190, 114
BMP_ROW = OSD_W * 2                      # 380, already a multiple of 4
BMP_IMAGE = BMP_ROW * OSD_H              # 43320
BMP_TAIL = 2                             # zero padding after the pixels
BMP_FILE = 14 + 40 + BMP_IMAGE + BMP_TAIL  # 43376
BMP_RESOURCE = BMP_FILE - 14             # 43362
BMP_PELS_PER_METRE = 2835                # 72 dpi


# ---------------------------------------------------------------- PNG

def _chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def png_chunks(data):
    """[(type, payload, crc_ok)] or raises ValueError on a truncated file."""
    if data[:8] != PNG_SIGNATURE:
        raise ValueError("bad PNG signature")
    out, pos = [], 8
    while pos < len(data):
        if pos + 12 > len(data):
            raise ValueError("truncated chunk header at %d" % pos)
        length, = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        payload = data[pos + 8:pos + 8 + length]
        if len(payload) != length or pos + 12 + length > len(data):
            raise ValueError("truncated %r chunk" % kind)
        crc, = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        out.append((kind, payload, crc == (zlib.crc32(kind + payload) & 0xFFFFFFFF)))
        pos += 12 + length
    return out


def encode_png(img):
    """PNG bytes of an RGB or RGBA image, with every ancillary chunk dropped."""
    if img.mode not in ("RGB", "RGBA"):
        raise ValueError("PNG pictures are RGB or RGBA, not " + img.mode)
    buf = io.BytesIO()
    img.save(buf, "PNG", compress_level=9)
    chunks = png_chunks(buf.getvalue())
    ihdr = [p for k, p, _ in chunks if k == b"IHDR"]
    idat = b"".join(p for k, p, _ in chunks if k == b"IDAT")
    return PNG_SIGNATURE + _chunk(b"IHDR", ihdr[0]) + _chunk(b"IDAT", idat) + _chunk(b"IEND", b"")


def check_png(data, rgba, size=(OSD_W, OSD_H)):
    """Problems with an OSD PNG; `rgba` tells which colour type it must have,
    `size` its width and height."""
    try:
        chunks = png_chunks(data)
    except ValueError as exc:
        return [str(exc)]
    problems = []
    kinds = [k for k, _, _ in chunks]
    if not kinds or kinds[0] != b"IHDR" or kinds[-1] != b"IEND":
        problems.append("chunks must start with IHDR and end with IEND: %r" % kinds)
    extra = sorted({k.decode("latin-1") for k in kinds} - {"IHDR", "IDAT", "IEND"})
    if extra:
        problems.append("unexpected chunks " + ", ".join(extra))
    if kinds.count(b"IDAT") == 0:
        problems.append("no IDAT chunk")
    for k, _, ok in chunks:
        if not ok:
            problems.append("bad CRC in %s" % k.decode("latin-1"))
    if problems:
        return problems
    ihdr = chunks[0][1]
    if len(ihdr) != 13:
        return ["IHDR is %d bytes, not 13" % len(ihdr)]
    w, h, depth, ctype, comp, filt, inter = struct.unpack(">IIBBBBB", ihdr)
    want_type = 6 if rgba else 2
    for name, got, want in (("width", w, size[0]), ("height", h, size[1]),
                            ("bit depth", depth, 8),
                            ("colour type", ctype, want_type), ("compression", comp, 0),
                            ("filter method", filt, 0), ("interlace", inter, 0)):
        if got != want:
            problems.append("%s is %d, not %d" % (name, got, want))
    if problems:
        return problems
    raw = zlib.decompress(b"".join(p for k, p, _ in chunks if k == b"IDAT"))
    stride = 1 + w * (4 if rgba else 3)
    if len(raw) != stride * h:
        return ["image data is %d bytes, not %d" % (len(raw), stride * h)]
    bad = [y for y in range(h) if raw[y * stride] > 4]
    if bad:
        problems.append("invalid filter type on rows %s" % bad[:5])
    img = Image.open(io.BytesIO(data))
    img.load()
    if rgba:
        lo, hi = img.getchannel("A").getextrema()
        if lo != 255:
            problems.append("alpha is not 255 everywhere (minimum %d)" % lo)
    return problems


# ---------------------------------------------------------------- BMP 5-5-5

def _to5(v, bias=0.5):
    """8-bit channel to 5 bits; bias in [0, 1) is the ordered-dither threshold."""
    return min(31, int(v * 31 / 255.0 + bias))


# 4 x 4 Bayer thresholds: spreads the 5-bit steps of the panel gradient over
# neighbouring pixels instead of leaving visible bands.
BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def _from5(v):
    return (v << 3) | (v >> 2)


def encode_bmp555(img, dither=True):
    """A bottom-up 16-bpp BI_RGB bitmap file with two bytes of tail padding."""
    img = img.convert("RGB")
    if img.size != (OSD_W, OSD_H):
        raise ValueError("bitmap must be %dx%d, got %dx%d" % ((OSD_W, OSD_H) + img.size))
    header = struct.pack("<2sIHHI", b"BM", BMP_FILE, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, OSD_W, OSD_H, 1, 16, 0, BMP_IMAGE,
                       BMP_PELS_PER_METRE, BMP_PELS_PER_METRE, 0, 0)
    px = img.tobytes()
    rows = []
    for y in range(OSD_H - 1, -1, -1):
        row = bytearray()
        base = y * OSD_W * 3
        for x in range(OSD_W):
            r, g, b = px[base + 3 * x:base + 3 * x + 3]
            t = (BAYER4[y % 4][x % 4] + 0.5) / 16.0 if dither else 0.5
            row += struct.pack("<H", (_to5(r, t) << 10) | (_to5(g, t) << 5) | _to5(b, t))
        rows.append(bytes(row))
    return header + info + b"".join(rows) + b"\0" * BMP_TAIL


def decode_bmp555(data):
    """RGB image of a bitmap written by encode_bmp555 (for previews)."""
    img = Image.new("RGB", (OSD_W, OSD_H))
    out = bytearray()
    for y in range(OSD_H):
        base = 54 + (OSD_H - 1 - y) * BMP_ROW
        for x in range(OSD_W):
            v, = struct.unpack_from("<H", data, base + 2 * x)
            out += bytes((_from5((v >> 10) & 31), _from5((v >> 5) & 31), _from5(v & 31)))
    img.frombytes(bytes(out))
    return img


def check_bmp(data):
    problems = []
    if len(data) != BMP_FILE:
        problems.append("file is %d bytes, not %d" % (len(data), BMP_FILE))
    if len(data) < 54:
        return problems or ["file too short"]
    magic, size, r1, r2, off = struct.unpack_from("<2sIHHI", data, 0)
    fields = struct.unpack_from("<IiiHHIIiiII", data, 14)
    (bi_size, width, height, planes, bits, compression, size_image,
     xppm, yppm, clr_used, clr_important) = fields
    for name, got, want in (("signature", magic, b"BM"), ("bfSize", size, BMP_FILE),
                            ("bfReserved1", r1, 0), ("bfReserved2", r2, 0),
                            ("bfOffBits", off, 54), ("biSize", bi_size, 40),
                            ("biWidth", width, OSD_W), ("biHeight", height, OSD_H),
                            ("biPlanes", planes, 1), ("biBitCount", bits, 16),
                            ("biCompression", compression, 0),
                            ("biSizeImage", size_image, BMP_IMAGE),
                            ("biClrUsed", clr_used, 0), ("biClrImportant", clr_important, 0)):
        if got != want:
            problems.append("%s is %r, not %r" % (name, got, want))
    for name, got in (("biXPelsPerMeter", xppm), ("biYPelsPerMeter", yppm)):
        if got not in (0, 2835):
            problems.append("%s is %d, not 0 or 2835" % (name, got))
    if problems:
        return problems
    words = struct.unpack_from("<%dH" % (BMP_IMAGE // 2), data, 54)
    high = sum(1 for w in words if w & 0x8000)
    if high:
        problems.append("%d pixels have the unused top bit set" % high)
    if data[54 + BMP_IMAGE:] != b"\0" * BMP_TAIL:
        problems.append("tail padding is not %d zero bytes" % BMP_TAIL)
    return problems


# ---------------------------------------------------------------- ICO

def _stride(width, bpp):
    return ((width * bpp + 31) // 32) * 4


def encode_icon_image(width, height, bpp, pixels, transparent, palette=None):
    """One DIB icon image.

    pixels: row-major, top row first; palette indices for 4/8 bpp, (r, g, b)
    for 24 bpp. transparent: row-major booleans, True where the AND mask
    lets the desktop show through (the colour there should be black).
    """
    colours = {4: 16, 8: 256}.get(bpp, 0)
    if colours and (palette is None or len(palette) > colours):
        raise ValueError("%d-bpp icon needs at most %d palette entries" % (bpp, colours))
    xor_stride, and_stride = _stride(width, bpp), _stride(width, 1)
    xor_size, and_size = xor_stride * height, and_stride * height
    out = bytearray(struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bpp, 0,
                                xor_size + and_size, 0, 0, 0, 0))
    if colours:
        pal = list(palette) + [(0, 0, 0)] * (colours - len(palette))
        for r, g, b in pal:
            out += bytes((b, g, r, 0))
    for y in range(height - 1, -1, -1):
        row = pixels[y * width:(y + 1) * width]
        if bpp == 24:
            line = b"".join(bytes((b, g, r)) for r, g, b in row)
        elif bpp == 8:
            line = bytes(row)
        elif bpp == 4:
            padded = list(row) + [0] * (width % 2)
            line = bytes((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))
        else:
            raise ValueError("unsupported icon depth %d" % bpp)
        out += line + b"\0" * (xor_stride - len(line))
    for y in range(height - 1, -1, -1):
        bits = transparent[y * width:(y + 1) * width]
        line = bytearray(and_stride)
        for x, t in enumerate(bits):
            if t:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def encode_ico(images):
    """images: [(width, height, bpp, dib_bytes)] in directory order."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for width, height, bpp, dib in images:
        entries += struct.pack("<BBBBHHII", width % 256, height % 256,
                               16 if bpp == 4 else 0, 0, 1, bpp, len(dib), offset)
        blobs += dib
        offset += len(dib)
    return head + entries + blobs


ICON_SET = [(s, b) for s in (48, 32, 16) for b in (4, 8, 24)]


def check_ico(data):
    problems = []
    if len(data) < 6:
        return ["file too short"]
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        problems.append("ICONDIR reserved/type are %d/%d, not 0/1" % (reserved, kind))
    if count != len(ICON_SET):
        problems.append("%d images, not %d" % (count, len(ICON_SET)))
    if len(data) < 6 + 16 * count:
        return problems + ["directory truncated"]
    seen, spans = [], []
    for i in range(count):
        w, h, ncol, res, planes, bpp, size, off = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        w, h = w or 256, h or 256
        tag = "image %d (%dx%d, %d bpp)" % (i, w, h, bpp)
        seen.append((w, bpp))
        if w != h:
            problems.append(tag + ": not square")
        want_ncol = 16 if bpp == 4 else 0
        if ncol != want_ncol:
            problems.append(tag + ": bColorCount %d, not %d" % (ncol, want_ncol))
        if res != 0 or planes != 1:
            problems.append(tag + ": bReserved %d / wPlanes %d, not 0 / 1" % (res, planes))
        if off + size > len(data):
            problems.append(tag + ": runs past the end of the file")
            continue
        spans.append((off, off + size))
        dib = data[off:off + size]
        if len(dib) < 40:
            problems.append(tag + ": truncated header")
            continue
        (bi_size, bw, bh, bplanes, bbits, comp, simg,
         _, _, used, important) = struct.unpack_from("<IiiHHIIiiII", dib, 0)
        colours = {4: 16, 8: 256}.get(bpp, 0)
        xor_size = _stride(w, bpp) * h
        and_size = _stride(w, 1) * h
        want_size = 40 + 4 * colours + xor_size + and_size
        for name, got, want in (("biSize", bi_size, 40), ("biWidth", bw, w),
                                ("biHeight", bh, 2 * h), ("biPlanes", bplanes, 1),
                                ("biBitCount", bbits, bpp), ("biCompression", comp, 0),
                                ("dwBytesInRes", size, want_size)):
            if got != want:
                problems.append("%s: %s is %d, not %d" % (tag, name, got, want))
        if simg not in (0, xor_size + and_size):
            problems.append(tag + ": biSizeImage %d" % simg)
        if used not in (0, colours) or important not in (0, colours):
            problems.append(tag + ": biClrUsed/biClrImportant %d/%d" % (used, important))
        if bpp not in (4, 8, 24):
            problems.append(tag + ": unexpected depth")
    if sorted(seen) != sorted(ICON_SET):
        problems.append("image set %s, wanted %s" % (sorted(seen), sorted(ICON_SET)))
    spans.sort()
    pos = 6 + 16 * count
    for a, b in spans:
        if a != pos:
            problems.append("image data at %d, expected %d (gap or overlap)" % (a, pos))
        pos = b
    if pos != len(data):
        problems.append("%d stray bytes at the end" % (len(data) - pos))
    return problems


def decode_ico(data):
    """[(size, bpp, RGBA image)] of every image in an icon file (for previews)."""
    _, _, count = struct.unpack_from("<HHH", data, 0)
    out = []
    for i in range(count):
        w, _, _, _, _, bpp, size, off = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        w = w or 256
        dib = data[off:off + size]
        colours = {4: 16, 8: 256}.get(bpp, 0)
        pal = [(dib[40 + 4 * k + 2], dib[40 + 4 * k + 1], dib[40 + 4 * k]) for k in range(colours)]
        xs, ms = _stride(w, bpp), _stride(w, 1)
        xor = 40 + 4 * colours
        mask = xor + xs * w
        img = Image.new("RGBA", (w, w))
        for y in range(w):
            row = xor + (w - 1 - y) * xs
            mrow = mask + (w - 1 - y) * ms
            for x in range(w):
                if bpp == 24:
                    b, g, r = dib[row + 3 * x:row + 3 * x + 3]
                elif bpp == 8:
                    r, g, b = pal[dib[row + x]]
                else:
                    byte = dib[row + x // 2]
                    r, g, b = pal[(byte >> 4) if x % 2 == 0 else (byte & 15)]
                clear = dib[mrow + x // 8] & (0x80 >> (x % 8))
                img.putpixel((x, y), (r, g, b, 0 if clear else 255))
        out.append((w, bpp, img))
    return out
