"""The large pictures: window backgrounds, start screens, the equaliser
background, the headset screens, logos and badges."""

from brand import emblem, word_mark
from headsets import DESIGN_W, placed_headset
from svgkit import (BG_PANEL, BG_WINDOW, GREY, LIGHT, ORANGE, ORANGE_DEEP, WHITE,
                    document, linear_gradient, radial_gradient, rect, text)

WINDOW_W = 1176
# The full-window background label is a little larger than the window.
FULL_W, FULL_H = 1221, 735
# The window's close and minimise buttons cover x >= 1096, y < 40. The
# logo at (36, 30) of the start and headset screens is not in their
# pictures: the window draws it at the screen's scale (window/LogoMark.cpp).

BANDS = ("30", "60", "120", "250", "500", "1k", "2k", "4k", "8k", "16k")


def logo_mark(x, y, emblem_h, text_size, emblem_colour, text_colour):
    """Emblem and word mark side by side, the word mark's baseline at the
    emblem's foot."""
    mark, mark_w = emblem(x, y, emblem_h, emblem_colour)
    return mark + word_mark(x + mark_w + emblem_h * 0.4, y + emblem_h, text_size, text_colour)


def logo_picture(width, height, emblem_colour, text_colour, emblem_h, text_size):
    """A logo picture on a transparent background, vertically centred."""
    y = (height - emblem_h) / 2
    return document(width, height,
                    logo_mark(1, y, emblem_h, text_size, emblem_colour, text_colour))


# --- window backgrounds ------------------------------------------------------

TITLE_DEFS = linear_gradient("title", [(0, "#171717"), (1, "#1b1b1b")])


def title_strip(width):
    """The darker strip behind the logo and the window buttons (y < 100)."""
    return (rect(0, 0, width, 100, "url(#title)")
            + rect(0, 99, width, 1, "#2c2c2c"))


def window_background(width, height, with_title=True):
    """Flat page colour, so the surround test's animations (matted on it)
    blend in; optionally with the title strip."""
    body = rect(0, 0, width, height, BG_WINDOW)
    if with_title:
        body += title_strip(width)
    return document(width, height, body, TITLE_DEFS)


def title_picture(width, height):
    return document(width, height, title_strip(width), TITLE_DEFS)


def panel_background(width, height):
    defs = linear_gradient("panel", [(0, "#363636"), (0.25, BG_PANEL), (1, "#2e2e2e")])
    return document(width, height, rect(0, 0, width, height, "url(#panel)"), defs)


def stage_background(width, height, centre_x):
    """Dark backdrop with a soft floor light under a centred object; shared by
    the headset screen and the pictures of its headset button so that the
    button blends into the backdrop."""
    defs = (radial_gradient("stage-light", centre_x, 330, 520,
                            [(0, "#2f2f2f"), (0.55, "#222222"), (1, "#191919")])
            + '<radialGradient id="stage-floor">'
            + f'<stop offset="0" stop-color="{ORANGE}" stop-opacity="0.10"/>'
            + f'<stop offset="1" stop-color="{ORANGE}" stop-opacity="0"/></radialGradient>')
    body = (rect(0, 0, width, height, "url(#stage-light)")
            + f'<ellipse cx="{centre_x}" cy="548" rx="320" ry="70" fill="url(#stage-floor)"/>')
    return defs, body


# The headset button of the headset screen (window coordinates).
HEADSET_BUTTON = (338, 67, 500, 598)


def headset_screen_background():
    defs, body = stage_background(FULL_W, FULL_H, WINDOW_W / 2)
    body += text(WINDOW_W / 2, 700, "Click the headset to open its settings", 15, GREY,
                 anchor="middle", spacing=1)
    return document(FULL_W, FULL_H, body, defs)


def headset_button_picture(name, mode):
    """The headset screen's button: the matching piece of the backdrop with
    the headset on it; mode 'dim' while idle, 'white' under the pointer."""
    x, y, width, height = HEADSET_BUTTON
    stage_defs, stage = stage_background(FULL_W, FULL_H, WINDOW_W / 2)
    scale = 0.8
    head_defs, head = placed_headset(name, mode, (width - DESIGN_W * scale) / 2, 46, scale)
    highlighted = mode != "dim"
    body = (f'<g transform="translate({-x} {-y})">{stage}</g>' + head
            + text(width / 2, 536, name.upper(), 30, WHITE if highlighted else GREY,
                   weight="bold", anchor="middle", spacing=8)
            + text(width / 2, 566,
                   "OPEN SETTINGS" if highlighted else "7.1 SURROUND GAMING HEADSET",
                   13, ORANGE if highlighted else "#6e6e6e", anchor="middle", spacing=3))
    return document(width, height, body, stage_defs + head_defs)


def headset_picture(name, caption, width=781, height=641):
    """Headset picture of the microphone page, on a transparent background."""
    scale = 0.93
    head_defs, head = placed_headset(name, "lit", (width - DESIGN_W * scale) / 2, 18, scale)
    body = (head
            + text(width / 2, 592, caption, 30, LIGHT, weight="bold", anchor="middle", spacing=8)
            + text(width / 2, 618, "7.1 SURROUND GAMING HEADSET", 13, GREY,
                   anchor="middle", spacing=3))
    return document(width, height, body, head_defs)


# --- start screens -----------------------------------------------------------

def _headset_outline(cx, top, scale, colour, accent):
    """Line drawing of a headset, about 300 x 250 units, top centre at (cx, top)."""
    w = 4.5
    parts = [
        f'<path d="M-118 150V118C-118 -40 118 -40 118 118V150" fill="none" stroke="{colour}" '
        f'stroke-width="{w * 2}" stroke-linecap="round"/>',
        f'<path d="M-100 122C-100 10 100 10 100 122" fill="none" stroke="{colour}" '
        f'stroke-width="{w}" stroke-linecap="round" opacity="0.5"/>',
    ]
    for side in (-1, 1):
        x = side * 118 - 32
        parts.append(f'<rect x="{x}" y="112" width="64" height="120" rx="26" fill="#1c1c1c" '
                     f'stroke="{colour}" stroke-width="{w * 1.6}"/>')
        parts.append(f'<rect x="{x + 16}" y="138" width="32" height="68" rx="14" fill="none" '
                     f'stroke="{accent}" stroke-width="{w}"/>')
    return f'<g transform="translate({cx} {top}) scale({scale})">{"".join(parts)}</g>'


def _usb_plug(x, y, colour, accent):
    """USB-A plug lying on its side, cable end at (x, y), contacts to the right."""
    return (f'<rect x="{x}" y="{y - 26}" width="78" height="52" rx="10" fill="#2c2c2c" '
            f'stroke="{colour}" stroke-width="4"/>'
            + "".join(f'<rect x="{x + 16 + 11 * i}" y="{y - 14}" width="4" height="28" rx="2" '
                      f'fill="{colour}" opacity="0.6"/>' for i in range(3))
            + f'<rect x="{x + 78}" y="{y - 19}" width="50" height="38" rx="3" fill="#1c1c1c" '
              f'stroke="{LIGHT}" stroke-width="4"/>'
            + f'<rect x="{x + 90}" y="{y - 8}" width="10" height="7" fill="{accent}"/>'
            + f'<rect x="{x + 108}" y="{y - 8}" width="10" height="7" fill="{accent}"/>')


def _usb_symbol(x, y, colour):
    """The USB trident lying on its side, base at (x, y), pointing right."""
    line = (f'fill="none" stroke="{colour}" stroke-width="5" stroke-linecap="round" '
            'stroke-linejoin="round"')
    return (f'<circle cx="{x}" cy="{y}" r="9" fill="{colour}"/>'
            + f'<path d="M{x} {y}H{x + 92}" {line}/>'
            + f'<path d="M{x + 92} {y - 11}L{x + 110} {y}L{x + 92} {y + 11}Z" fill="{colour}"/>'
            + f'<path d="M{x + 26} {y}L{x + 42} {y - 20}H{x + 62}" {line}/>'
            + f'<circle cx="{x + 68}" cy="{y - 20}" r="6.5" fill="{colour}"/>'
            + f'<path d="M{x + 44} {y}L{x + 58} {y + 20}H{x + 74}" {line}/>'
            + f'<rect x="{x + 74}" y="{y + 13.5}" width="13" height="13" fill="{colour}"/>')


# The small texts' grey in the high-contrast look's pictures: 4.5:1 and more
# on the darkest greys they lie on, as the look's style sheets' texts.
HIGH_CONTRAST_CAPTION = "#d7d7d7"


def start_screen_connect(width, height, caption=GREY):
    """Shown while no headset is open: asks the user to plug it in."""
    defs = radial_gradient("start-light", 420, 330, 620,
                           [(0, "#2b2b2b"), (0.6, "#1f1f1f"), (1, "#181818")])
    grey = "#9a9a9a"
    plug_y = 500
    cable = (f'<path d="M256 392C256 470 290 {plug_y} 360 {plug_y}" fill="none" stroke="{grey}" '
             f'stroke-width="8" stroke-linecap="round"/>')
    arrow = "".join(
        f'<path d="M{507 + 17 * i} {plug_y - 11}l9 11-9 11" fill="none" stroke="{ORANGE}" '
        f'stroke-width="4" stroke-linecap="round" stroke-linejoin="round" '
        f'opacity="{0.45 + 0.27 * i}"/>'
        for i in range(3))
    port = (rect(568, plug_y - 50, 150, 100, "#262626", rx=18,
                 extra=f'stroke="{grey}" stroke-width="4"')
            + _usb_symbol(588, plug_y, ORANGE))
    # Picture and words are drawn side by side and centred as one block.
    block = (_headset_outline(374, 160, 1.0, grey, ORANGE)
             + cable + _usb_plug(360, plug_y, grey, ORANGE) + arrow + port
             + text(772, 296, "NO HEADSET FOUND", 16, ORANGE, weight="bold", spacing=3)
             + text(770, 346, "Connect your headset", 36, WHITE, weight="bold")
             + rect(772, 366, 64, 4, ORANGE, rx=2)
             + text(772, 406, "Plug the headset into a USB port", 19, caption)
             + text(772, 432, "of this computer. Its settings open", 19, caption)
             + text(772, 458, "as soon as the headset is found.", 19, caption))
    body = (rect(0, 0, width, height, "url(#start-light)")
            + f'<g transform="translate(-84 12)">{block}</g>')
    return document(width, height, body, defs)


def start_screen_searching(width, height):
    """Start screen variant: the program is looking for the headset."""
    cx, cy = width / 2, 280
    defs = radial_gradient("search-light", cx, cy, 560,
                           [(0, "#2b2b2b"), (0.6, "#1f1f1f"), (1, "#181818")])
    rings = "".join(
        f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="none" stroke="{ORANGE}" stroke-width="3" '
        f'opacity="{opacity}"/>'
        for r, opacity in ((170, 0.5), (205, 0.28), (240, 0.12)))
    dots = "".join(f'<circle cx="{cx - 24 + 24 * i}" cy="{cy + 376}" r="5" fill="{ORANGE}" '
                   f'opacity="{0.4 + 0.3 * i}"/>' for i in range(3))
    body = (rect(0, 0, width, height, "url(#search-light)") + rings
            + f'<circle cx="{cx}" cy="{cy}" r="145" fill="#1c1c1c"/>'
            + _headset_outline(cx, cy - 100, 0.85, "#9a9a9a", ORANGE)
            + text(cx, cy + 300, "Looking for your headset", 34, WHITE, weight="bold",
                   anchor="middle")
            + text(cx, cy + 338, "Keep it plugged in, this takes only a moment.", 18, GREY,
                   anchor="middle")
            + dots)
    return document(width, height, body, defs)


# --- equaliser and surround test backgrounds ----------------------------------

# Where the band sliders lie on the equaliser picture: first slider centre,
# spacing, and the handle's travel from +12 dB (top) to -12 dB (bottom).
EQ_FIRST_X, EQ_STEP = 76, 50
EQ_TOP, EQ_BOTTOM = 21, 336


def eq_y(db):
    return EQ_TOP + (12 - db) / 24 * (EQ_BOTTOM - EQ_TOP)


def equaliser_background(width, height, caption="#8a8a8a"):
    body = [rect(0.5, 0.5, width - 1, height - 1, "#242424", rx=12,
                 extra='stroke="#2e2e2e" stroke-width="1"')]
    for db in (12, 6, 0, -6, -12):
        y = eq_y(db)
        colour, dash = ("#555555", "") if db == 0 else ("#343434", ' stroke-dasharray="4 5"')
        body.append(f'<path d="M58 {y:.1f}H552" stroke="{colour}" stroke-width="1"{dash}/>')
        body.append(text(46, y + 4, f"{db:+d}" if db else "0", 11, caption, anchor="end"))
    for index, band in enumerate(BANDS):
        x = EQ_FIRST_X + index * EQ_STEP
        body.append(f'<path d="M{x} {EQ_TOP}V{EQ_BOTTOM}" stroke="#2c2c2c" stroke-width="6" '
                    'stroke-linecap="round"/>')
        body.append(text(x, 361, band, 12, "#bdbdbd", anchor="middle"))
    body.append(text(570, 361, "Hz", 11, caption, anchor="middle"))
    body.append(text(30, 361, "dB", 11, caption, anchor="middle"))
    return document(width, height, "".join(body))


def surround_test_background(width, height):
    """Guide rings around the listener's place in the surround test view,
    where the four direction arrows meet."""
    cx, cy = 249, 196
    body = "".join(
        f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="none" stroke="#2c2c2c" stroke-width="1.5"'
        f'{dash}/>' for r, dash in ((62, ""), (150, ' stroke-dasharray="5 6"')))
    body += (f'<path d="M{cx - 170} {cy}H{cx + 170}M{cx} {cy - 170}V{cy + 170}" '
             'stroke="#262626" stroke-width="1"/>')
    return document(width, height, body)


# --- small pictures with text or shading --------------------------------------

def badge(width, height, label):
    """Orange pill with a dark caption."""
    return document(width, height,
                    rect(0, 0, width, height, ORANGE, rx=height / 2)
                    + text(width / 2, height / 2 + 4, label, 11, BG_WINDOW,
                           weight="bold", anchor="middle", spacing=0.5))


def banner(width, height):
    defs = linear_gradient("banner", [(0, "#3a3a3a"), (1, "#1e1e1e")], x2=1, y2=0)
    stripes = "".join(f'<path d="M{x} {height}L{x + height} 0" stroke="#ffffff" stroke-width="1" '
                      'opacity="0.05"/>' for x in range(120, width, 14))
    return document(width, height,
                    rect(0, 0, width, height, "url(#banner)") + stripes
                    + rect(0, 0, 6, height, ORANGE)
                    + f'<path d="M6 {height - 3}H{width * 0.6}" stroke="{ORANGE}" '
                      'stroke-width="2" opacity="0.6"/>')


def bar(width, height, colour):
    return document(width, height, rect(0, 0, width, height, colour))


def slider_bar(width, height):
    defs = linear_gradient("bar", [(0, "#f08d25"), (1, ORANGE_DEEP)], x2=1, y2=0)
    return document(width, height, rect(0, 0, width, height, "url(#bar)", rx=height / 2), defs)


def slider_handle(size, fill, rim):
    r = size / 2
    return document(size, size,
                    f'<circle cx="{r}" cy="{r}" r="{r - 1.6}" fill="{fill}" stroke="{rim}" '
                    'stroke-width="2.2"/>')


def window_button(size, glyph_svg, fill):
    """Hover look of a window button: a filled square under a white glyph."""
    return document(size, size, rect(0, 0, size, size, fill) + glyph_svg)


def app_icon(size, tile_top, tile_bottom, glyph_svg):
    """The program icon: a rounded tile with a glyph; sizes are pixels."""
    defs = linear_gradient("tile", [(0, tile_top), (1, tile_bottom)])
    return document(size, size,
                    rect(0, 0, size, size, "url(#tile)", rx=size * 0.22) + glyph_svg, defs)


def brand_tile(size, glyph_colour):
    """Emblem centred in a size x size box."""
    height = size * 0.5
    mark, mark_w = emblem(0, 0, height, glyph_colour)
    return f'<g transform="translate({(size - mark_w) / 2} {(size - height) / 2})">{mark}</g>'

