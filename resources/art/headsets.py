"""Stylised over-ear gaming headsets, one look per headset model.

A headset is drawn front-on in a 600 x 560 design box: headband on top,
sliders and yokes, two ear cups with their cushions turned inwards, an
accent light ring on each cup and, for most models, a boom microphone.
"""

from collections import namedtuple

from brand import emblem
from svgkit import blur_filter, linear_gradient, radial_gradient

DESIGN_W, DESIGN_H = 600, 560
CENTRE_X = DESIGN_W / 2
CUP_W, CUP_H = 150, 215
CUP_Y = 350
CUP_XS = (118, 482)
BAND_BOTTOM = 185

Model = namedtuple("Model", "accent cup band mic")

MODELS = {
    "Halden": Model("#ffab3e", "oval", "single", True),
    "Morvik": Model("#ff5a4e", "octagon", "double", True),
    "Tessaly": Model("#35d0c0", "round", "strap", False),
    "Rasko": Model("#4d9bff", "shield", "single", True),
    "Sorel": Model("#a477ff", "square", "strap", True),
    "SW": Model("#d8d8d8", "oval", "double", True),
}

Palette = namedtuple(
    "Palette",
    "shell_top shell_bottom shell_edge plate_top plate_bottom cushion cushion_line "
    "band band_pad metal metal_dark glow")

# lit: the normal dark headset with coloured light; dim: greyed, light off;
# white: the light colourway used when the pointer is over the picture.
PALETTES = {
    "lit": Palette("#474747", "#1c1c1c", "#606060", "#2e2e2e", "#161616", "#141414",
                   "#2a2a2a", "#2a2a2a", "#161616", "#8a8a8a", "#4a4a4a", 0.20),
    "dim": Palette("#3a3a3a", "#1a1a1a", "#4a4a4a", "#262626", "#141414", "#121212",
                   "#222222", "#242424", "#141414", "#6a6a6a", "#3c3c3c", 0.05),
    "white": Palette("#fafafa", "#c9c9c9", "#ffffff", "#e6e6e6", "#bdbdbd", "#2a2a2a",
                     "#3c3c3c", "#e0e0e0", "#3a3a3a", "#b5b5b5", "#7a7a7a", 0.24),
}


def cup_shape(kind, cx, cy, w, h, attrs):
    """The outline of one ear cup of the given kind as an SVG element."""
    left, right, top, bottom = cx - w / 2, cx + w / 2, cy - h / 2, cy + h / 2
    if kind == "oval":
        return f'<ellipse cx="{cx}" cy="{cy}" rx="{w / 2}" ry="{h / 2}" {attrs}/>'
    if kind == "round":
        return f'<ellipse cx="{cx}" cy="{cy}" rx="{w / 2 * 1.06}" ry="{h / 2 * 0.84}" {attrs}/>'
    if kind == "square":
        return (f'<rect x="{left}" y="{top}" width="{w}" height="{h}" '
                f'rx="{w * 0.24}" {attrs}/>')
    if kind == "octagon":
        c = w * 0.3
        points = [(left + c, top), (right - c, top), (right, top + c), (right, bottom - c),
                  (right - c, bottom), (left + c, bottom), (left, bottom - c), (left, top + c)]
        return ('<polygon points="' + " ".join(f"{x:.1f},{y:.1f}" for x, y in points)
                + f'" stroke-linejoin="round" {attrs}/>')
    if kind == "shield":
        r = w * 0.2
        return (f'<path d="M{left} {top + r}Q{left} {top} {left + r} {top}'
                f'H{right - r}Q{right} {top} {right} {top + r}V{cy + h * 0.08}'
                f'C{right} {cy + h * 0.36} {cx + w * 0.22} {bottom} {cx} {bottom}'
                f'C{cx - w * 0.22} {bottom} {left} {cy + h * 0.36} {left} {cy + h * 0.08}Z" '
                f'{attrs}/>')
    raise ValueError(f"unknown cup shape {kind}")


def _band_path(dy=0.0, inset=0.0):
    left, right = CUP_XS[0] + inset, CUP_XS[1] - inset
    return (f"M{left} {BAND_BOTTOM + dy}C{left} {25 + dy} {right} {25 + dy} "
            f"{right} {BAND_BOTTOM + dy}")


def _stroke(d, colour, width, extra=""):
    return (f'<path d="{d}" fill="none" stroke="{colour}" stroke-width="{width}" '
            f'stroke-linecap="round" {extra}/>')


def headband(kind, pal, accent):
    if kind == "single":
        return (_stroke(_band_path(14), pal.band_pad, 24)
                + _stroke(_band_path(), "url(#hs-band)", 40)
                + _stroke(_band_path(-13), accent, 3, 'opacity="0.9"'))
    if kind == "double":
        return (_stroke(_band_path(-12), pal.metal, 10)
                + _stroke(_band_path(10), pal.metal_dark, 10)
                + f'<rect x="{CENTRE_X - 70}" y="52" width="140" height="34" rx="14" '
                  f'fill="url(#hs-band)" stroke="{pal.shell_edge}" stroke-width="2"/>'
                + _stroke(f"M{CENTRE_X - 52} 69H{CENTRE_X + 52}", accent, 3,
                          'stroke-dasharray="6 6"'))
    if kind == "strap":
        strap = (f"M{CUP_XS[0] + 14} {BAND_BOTTOM + 10}C{CUP_XS[0] + 24} 100 "
                 f"{CUP_XS[1] - 24} 100 {CUP_XS[1] - 14} {BAND_BOTTOM + 10}")
        return (_stroke(_band_path(-10), pal.metal, 12)
                + _stroke(strap, pal.band_pad, 30)
                + _stroke(strap, accent, 2.5, 'stroke-dasharray="4 8" opacity="0.9"'))
    raise ValueError(f"unknown headband {kind}")


def slider_and_yoke(cx, pal, accent):
    top = BAND_BOTTOM - 20
    yoke_top = CUP_Y - CUP_H / 2 - 14
    rx, ry = CUP_W / 2 + 12, CUP_H / 2 + 14
    yoke = (f"M{cx - rx} {CUP_Y}A{rx} {ry} 0 0 1 {cx + rx} {CUP_Y}")
    return (f'<rect x="{cx - 10}" y="{top}" width="20" height="{yoke_top - top + 4}" rx="6" '
            f'fill="{pal.metal_dark}" stroke="{pal.shell_edge}" stroke-width="1.5"/>'
            + "".join(f'<rect x="{cx - 6}" y="{top + 16 + 9 * i}" width="12" height="2.5" '
                      f'rx="1" fill="{accent}" opacity="0.55"/>' for i in range(4))
            + _stroke(yoke, pal.metal, 11)
            + f'<circle cx="{cx - rx}" cy="{CUP_Y}" r="10" fill="{pal.metal}" '
              f'stroke="{pal.metal_dark}" stroke-width="3"/>'
            + f'<circle cx="{cx + rx}" cy="{CUP_Y}" r="10" fill="{pal.metal}" '
              f'stroke="{pal.metal_dark}" stroke-width="3"/>')


def ear_cup(kind, cx, side, pal, accent, lit):
    """One cup; side is -1 for the left cup, +1 for the right one."""
    cushion_x = cx - side * 30
    cushion = cup_shape(kind, cushion_x, CUP_Y, CUP_W * 0.92, CUP_H * 0.96,
                        f'fill="{pal.cushion}" stroke="{pal.cushion_line}" stroke-width="3"')
    shell = cup_shape(kind, cx, CUP_Y, CUP_W, CUP_H,
                      f'fill="url(#hs-shell)" stroke="{pal.shell_edge}" stroke-width="2.5"')
    plate_w, plate_h = CUP_W * 0.7, CUP_H * 0.7
    plate = cup_shape(kind, cx, CUP_Y, plate_w, plate_h, 'fill="url(#hs-plate)"')
    glow = cup_shape(kind, cx, CUP_Y, plate_w, plate_h,
                     f'fill="none" stroke="{accent}" stroke-width="10" filter="url(#hs-blur)" '
                     f'opacity="{0.9 if lit else 0.0}"')
    ring = cup_shape(kind, cx, CUP_Y, plate_w, plate_h,
                     f'fill="none" stroke="{accent}" stroke-width="4.5"')
    mark, mark_w = emblem(0, 0, 38, accent)
    mark = f'<g transform="translate({cx - mark_w / 2} {CUP_Y - 19})">{mark}</g>'
    return cushion + shell + glow + plate + ring + mark


def boom_mic(pal, accent):
    cx = CUP_XS[0]
    tip_x, tip_y = cx + 112, CUP_Y + 160
    d = (f"M{cx - 18} {CUP_Y + 78}C{cx - 70} {CUP_Y + 170} {cx + 40} {CUP_Y + 205} "
         f"{tip_x} {tip_y}")
    return (_stroke(d, pal.metal_dark, 13) + _stroke(d, pal.shell_top, 6)
            + f'<ellipse cx="{tip_x}" cy="{tip_y}" rx="18" ry="13" fill="url(#hs-shell)" '
              f'stroke="{accent}" stroke-width="3" transform="rotate(-28 {tip_x} {tip_y})"/>')


def defs(pal, accent):
    return (linear_gradient("hs-shell", [(0, pal.shell_top), (1, pal.shell_bottom)])
            + linear_gradient("hs-plate", [(0, pal.plate_top), (1, pal.plate_bottom)])
            + linear_gradient("hs-band", [(0, pal.shell_top), (1, pal.shell_bottom)])
            + radial_gradient("hs-glow", CENTRE_X, 300, 320,
                              [(0, accent, pal.glow), (0.6, accent, pal.glow * 0.35),
                               (1, accent, 0)])
            + blur_filter("hs-blur", 7) + blur_filter("hs-shadow", 9))


def headset(name, mode="lit"):
    """(defs, body) of the headset `name` in the 600 x 560 design box."""
    model = MODELS[name]
    pal = PALETTES[mode]
    lit = mode != "dim"
    accent = model.accent if lit else "#8c8c8c"
    body = [
        f'<rect x="0" y="0" width="{DESIGN_W}" height="{DESIGN_H}" fill="url(#hs-glow)"/>',
        f'<ellipse cx="{CENTRE_X}" cy="{DESIGN_H - 22}" rx="250" ry="11" fill="#000" '
        f'opacity="0.55" filter="url(#hs-shadow)"/>',
    ]
    if model.mic:
        body.append(boom_mic(pal, accent))
    body.append(headband(model.band, pal, accent))
    for cx, side in zip(CUP_XS, (-1, 1)):
        body.append(slider_and_yoke(cx, pal, accent))
        body.append(ear_cup(model.cup, cx, side, pal, accent, lit))
    return defs(pal, accent), "".join(body)


def placed_headset(name, mode, x, y, scale):
    """The headset scaled and moved so its design box starts at (x, y)."""
    head_defs, body = headset(name, mode)
    return head_defs, f'<g transform="translate({x} {y}) scale({scale})">{body}</g>'
