#!/usr/bin/env python3
"""Writes the hidden main window's dialog template (resource 102) as binary.

The resource compiler upper-cases a dialog's CLASS name, and other programs
find the main window by its class "VaskHotkeyClass" exactly as written, so this
one template is built here and compiled in as it is.

Usage: make_main_dialog.py OUT.bin
"""
import struct
import sys

WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_SYSMENU, WS_GROUP, WS_TABSTOP = 0x00080000, 0x00020000, 0x00010000
DS_SETFONT, DS_FIXEDSYS = 0x40, 0x08
WS_EX_APPWINDOW, WS_EX_TRANSPARENT = 0x00040000, 0x00000020
BS_PUSHBUTTON, BS_DEFPUSHBUTTON, SS_CENTER = 0x0, 0x1, 0x1
BUTTON, STATIC = 0x0080, 0x0082
IDOK, IDCANCEL, IDC_STATIC = 1, 2, 0xFFFFFFFF


def text(s):
    return s.encode("utf-16-le") + b"\0\0"


def ordinal(n):
    return struct.pack("<HH", 0xFFFF, n)


def dialog_template(style, ex_style, size, class_name, title, font, controls):
    """An extended dialog template (DLGTEMPLATEEX) with its items."""
    data = struct.pack("<HHIIIHhhhh", 1, 0xFFFF, 0, ex_style, style, len(controls), 0, 0, *size)
    data += b"\0\0" + text(class_name) + text(title)
    point_size, weight, italic, charset, typeface = font
    data += struct.pack("<HHBB", point_size, weight, italic, charset) + text(typeface)
    for c_style, rect, control_id, control_class, caption in controls:
        data += b"\0" * (-len(data) % 4)  # items start on a DWORD boundary
        data += struct.pack("<IIIhhhhI", 0, 0, c_style, *rect, control_id)
        data += ordinal(control_class) + text(caption) + struct.pack("<H", 0)
    return data


def main_dialog():
    child = WS_CHILD | WS_VISIBLE
    return dialog_template(
        WS_POPUP | WS_SYSMENU | DS_SETFONT | DS_FIXEDSYS,
        WS_EX_APPWINDOW | WS_EX_TRANSPARENT,
        (320, 200),
        "VaskHotkeyClass",
        "",
        (8, 0, 0, 1, "MS Shell Dlg"),
        [
            (child | WS_TABSTOP | BS_DEFPUSHBUTTON, (263, 7, 50, 16), IDOK, BUTTON, "OK"),
            (child | WS_TABSTOP | BS_PUSHBUTTON, (263, 25, 50, 16), IDCANCEL, BUTTON, "Cancel"),
            (child | WS_GROUP | SS_CENTER, (10, 96, 300, 8), IDC_STATIC, STATIC,
             "TODO: Place dialog controls here."),
        ],
    )


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as out:
        out.write(main_dialog())
