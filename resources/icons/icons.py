#!/usr/bin/env python3
"""Writes the desktop icons of Velumix from the window's own drawings: the
program icon (the tray picture's headset on the orange tile) and the
single-colour symbolic icon that desktops tint for their panels.

Usage: icons.py OUT_DIR   (writes velumix.svg and velumix-symbolic.svg)
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "art"))

import scenes  # noqa: E402
from glyphs import placed_glyph  # noqa: E402
from svgkit import BG_WINDOW, ORANGE, ORANGE_DEEP, document  # noqa: E402

SIZE = 256
SYMBOLIC_SIZE = 16
# The colour the freedesktop symbolic icons are drawn in; desktops recolour it.
SYMBOLIC_GREY = "#bebebe"


def program_icon():
    glyph = placed_glyph("headset", BG_WINDOW, 2.4, SIZE, SIZE, size=SIZE * 0.66)
    return scenes.app_icon(SIZE, ORANGE, ORANGE_DEEP, glyph)


def symbolic_icon():
    glyph = placed_glyph("headset", SYMBOLIC_GREY, 2.0, SYMBOLIC_SIZE, SYMBOLIC_SIZE,
                         size=SYMBOLIC_SIZE)
    return document(SYMBOLIC_SIZE, SYMBOLIC_SIZE, glyph)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: icons.py OUT_DIR")
    for name, svg in (("velumix.svg", program_icon()),
                      ("velumix-symbolic.svg", symbolic_icon())):
        with open(os.path.join(sys.argv[1], name), "w", encoding="utf-8") as out:
            out.write(svg)


if __name__ == "__main__":
    main()
