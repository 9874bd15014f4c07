"""Small helpers for writing the program's pictures as SVG text.

Every picture is one SVG document with its pixel size as intrinsic size, so
rsvg-convert renders it 1:1 without further options.
"""

from xml.sax.saxutils import escape

# The window's palette.
BG_WINDOW = "#1e1e1e"     # rgb(30,30,30): window and page background
BG_PANEL = "#323232"      # rgb(50,50,50): left panels, unselected tabs
ORANGE = "#ffab3e"        # rgb(255,171,62): selection and accents
ORANGE_DEEP = "#e56b37"   # end of the band slider gradient
WHITE = "#ffffff"
LIGHT = "#ebebeb"         # rgb(235,235,235): titles and numbers
GREY = "#969696"          # rgb(150,150,150): captions, idle icons
DARK_GREY = "#5a5a5a"     # rgb(90,90,90): dimmed switch text

FONT = "Liberation Sans, DejaVu Sans, sans-serif"


def document(width, height, body, defs=""):
    """A complete SVG document of the given pixel size."""
    defs_block = f"<defs>{defs}</defs>" if defs else ""
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
        f'viewBox="0 0 {width} {height}">{defs_block}{body}</svg>\n'
    )


def text(x, y, content, size, fill, weight="normal", anchor="start",
         spacing=0.0, opacity=1.0):
    """One line of text; y is the baseline."""
    return (
        f'<text x="{x}" y="{y}" font-family="{FONT}" font-size="{size}" '
        f'font-weight="{weight}" fill="{fill}" text-anchor="{anchor}" '
        f'letter-spacing="{spacing}" opacity="{opacity}">{escape(content)}</text>'
    )


def rect(x, y, w, h, fill, rx=0, extra=""):
    return f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{rx}" fill="{fill}" {extra}/>'


def linear_gradient(gid, stops, x1=0, y1=0, x2=0, y2=1, user_space=None):
    """stops: (offset, colour[, opacity]); user_space: (x1, y1, x2, y2) in pixels."""
    if user_space:
        x1, y1, x2, y2 = user_space
        units = ' gradientUnits="userSpaceOnUse"'
    else:
        units = ""
    return (f'<linearGradient id="{gid}" x1="{x1}" y1="{y1}" x2="{x2}" y2="{y2}"{units}>'
            + _stops(stops) + "</linearGradient>")


def radial_gradient(gid, cx, cy, r, stops, fy=None):
    """A radial gradient in pixel coordinates."""
    fy_attr = f' fy="{fy}"' if fy is not None else ""
    return (f'<radialGradient id="{gid}" cx="{cx}" cy="{cy}" r="{r}"{fy_attr} '
            'gradientUnits="userSpaceOnUse">' + _stops(stops) + "</radialGradient>")


def blur_filter(fid, deviation):
    return (f'<filter id="{fid}" x="-50%" y="-50%" width="200%" height="200%">'
            f'<feGaussianBlur stdDeviation="{deviation}"/></filter>')


def _stops(stops):
    parts = []
    for stop in stops:
        offset, colour = stop[0], stop[1]
        opacity = stop[2] if len(stop) > 2 else 1
        parts.append(f'<stop offset="{offset}" stop-color="{colour}" stop-opacity="{opacity}"/>')
    return "".join(parts)


def fit(glyph_w, glyph_h, width, height, padding=0.0, scale=None):
    """Transform that centres a glyph_w x glyph_h drawing in a width x height
    canvas, as large as fits inside the padding unless a scale is given."""
    if scale is None:
        scale = min((width - 2 * padding) / glyph_w, (height - 2 * padding) / glyph_h)
    dx = (width - glyph_w * scale) / 2
    dy = (height - glyph_h * scale) / 2
    return f"translate({dx:.3f} {dy:.3f}) scale({scale:.4f})"
