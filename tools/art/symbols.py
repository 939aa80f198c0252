"""Line-art symbols of the on-screen display.

Each function draws one symbol into an Ink, centred on (cx, cy), in local
units that `scale` enlarges or shrinks. Strokes always keep the shared
width, so a symbol drawn small stays as bold as one drawn large.
"""

import math

from osd_style import arc_points


def cog_sun(ink, cx, cy, filled, scale=1.0, teeth=8, tip=17.0, root=12.5):
    """A sun whose rays are squat cog teeth."""
    ink.frame(cx, cy, scale)
    pts = []
    step = 360.0 / teeth
    for k in range(teeth):
        a = k * step - 90
        pts += [_polar(root, a - 13), _polar(tip, a - 8), _polar(tip, a + 8),
                _polar(root, a + 13), _polar(root, a + step / 2)]
    if filled:
        ink.fill(pts)
        ink.polyline(pts, closed=True)
        ink.polyline(arc_points(0, 0, 6.5, 0, 360, 48), width=1.5, value=0)
    else:
        ink.polyline(pts, closed=True)
        ink.circle(0, 0, 6.5)


def triangle(ink, cx, cy, up, scale=1.0, half=7.0):
    """A solid arrow head pointing up or down."""
    ink.frame(cx, cy, scale)
    h = half * 0.9
    pts = [(-half, h), (half, h), (0, -h)] if up else [(-half, -h), (half, -h), (0, h)]
    ink.fill(pts)
    ink.polyline(pts, closed=True)


def speaker(ink, cx, cy, scale=1.0, waves=0, cross=False):
    """Loudspeaker: magnet box and cone; optional sound waves or a cross.

    (cx, cy) is the middle of the cone's mouth, so a speaker with waves and
    one without line up when drawn at the same point.
    """
    ink.frame(cx, cy, scale)
    body = [(-20, -6), (-12, -6), (0, -16), (0, 16), (-12, 6), (-20, 6)]
    ink.polyline(body, closed=True)
    ink.line(-12, -6, -12, 6)
    for i in range(waves):
        r = 8 + 7 * i
        ink.arc(0, 0, r, -42, 42)
    if cross:
        ink.line(9, -7, 23, 7)
        ink.line(9, 7, 23, -7)


def antenna(ink, cx, cy, scale=1.0):
    """Lattice mast with an emitter at the top and arcs radiating both ways."""
    ink.frame(cx, cy, scale)
    top = -14
    ink.dot(0, top, 3.2)
    ink.line(0, top + 3, -10, 24)
    ink.line(0, top + 3, 10, 24)
    ink.line(-14, 24, 14, 24)
    # cross bracing of the lattice
    ink.line(-4.2, 2, 4.2, 2, width=1.5)
    ink.line(-4.2, 2, 7.0, 14, width=1.5)
    ink.line(4.2, 2, -7.0, 14, width=1.5)
    ink.line(-7.0, 14, 7.0, 14, width=1.5)
    for r in (9, 16, 23):
        ink.arc(0, top, r, -45, 45)
        ink.arc(0, top, r, 135, 225)


def displayport(ink, cx, cy, scale=1.0):
    """DisplayPort receptacle: a shell with one corner cut, and its tongue."""
    ink.frame(cx, cy, scale)
    w, h, cut = 21, 9, 6
    ink.polyline([(-w, -h), (w, -h), (w, h - cut), (w - cut, h), (-w, h)], closed=True)
    ink.polyline([(-14, -2.5), (14, -2.5), (14, 2.5), (-14, 2.5)], closed=True, width=1.5)


def hdmi(ink, cx, cy, scale=1.0):
    """HDMI receptacle: wide top, bevelled lower corners, thin tongue."""
    ink.frame(cx, cy, scale)
    ink.polyline([(-23, -8), (23, -8), (23, -1), (16, 8), (-16, 8), (-23, -1)], closed=True)
    ink.polyline([(-15, -3), (15, -3), (15, 1), (-15, 1)], closed=True, width=1.5)


def vga(ink, cx, cy, scale=1.0):
    """15-pin D-sub: trapezoid shell, three rows of five pins, two screws."""
    ink.frame(cx, cy, scale)
    top, bottom, half_top, half_bottom = -10, 10, 21, 16
    ink.polyline(_rounded_poly([(-half_top, top), (half_top, top),
                                (half_bottom, bottom), (-half_bottom, bottom)], 3.5),
                 closed=True)
    for row, y in enumerate((-5, 0, 5)):
        offset = (-1.5, 1.5, 0.0)[row]
        for i in range(5):
            ink.dot(offset + (i - 2) * 6.5, y, 1.35)
    for x in (-30, 30):
        ink.circle(x, 0, 3.2)


def lcd(ink, cx, cy, scale=1.0):
    """The notebook's own screen: lid with a lit panel and the keyboard deck."""
    ink.frame(cx, cy, scale)
    ink.rounded_rect(-22, -20, 22, 11, 2.5)
    ink.fill([(-17, -15), (17, -15), (17, 6), (-17, 6)], value=70)
    ink.polyline([(-22, 14), (22, 14), (28, 20), (-28, 20)], closed=True)


def battery_shell(ink, x0, y0, x1, y1, nub_w=5, nub_h=12):
    """Battery body outline with a solid terminal nub on the right."""
    ink.frame(0, 0, 1.0)
    ink.rounded_rect(x0, y0, x1, y1, 4)
    cy = (y0 + y1) / 2.0
    ink.fill([(x1, cy - nub_h / 2), (x1 + nub_w, cy - nub_h / 2 + 1.5),
              (x1 + nub_w, cy + nub_h / 2 - 1.5), (x1, cy + nub_h / 2)])


def slash(ink, x0, y0, x1, y1, width=3.0):
    ink.frame(0, 0, 1.0)
    ink.line(x0, y0, x1, y1, width=width)


def _polar(r, deg):
    a = math.radians(deg)
    return (r * math.cos(a), r * math.sin(a))


def _rounded_poly(points, r, steps=5):
    """Round the corners of a convex polygon with radius r."""
    out = []
    n = len(points)
    for i in range(n):
        px, py = points[i - 1]
        x, y = points[i]
        nx, ny = points[(i + 1) % n]
        d0 = math.hypot(px - x, py - y)
        d1 = math.hypot(nx - x, ny - y)
        a = (x + (px - x) * r / d0, y + (py - y) * r / d0)
        b = (x + (nx - x) * r / d1, y + (ny - y) * r / d1)
        for k in range(steps + 1):      # quadratic curve through the corner
            t = k / steps
            out.append(((1 - t) ** 2 * a[0] + 2 * (1 - t) * t * x + t * t * b[0],
                        (1 - t) ** 2 * a[1] + 2 * (1 - t) * t * y + t * t * b[1]))
    return out
