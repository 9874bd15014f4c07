"""Line-icon glyphs shared by all small pictures.

A glyph is drawn in its own box (most are 24 x 24 units) with round strokes
in the current colour; filled parts use fill="currentColor".  `icon` places
one glyph on a canvas of the picture's pixel size.
"""

from svgkit import document, fit

FILL = 'fill="currentColor" stroke="none"'

# name: (box width, box height, SVG elements)
GLYPHS = {
    "speaker": (24, 24,
                f'<path d="M3.5 9.5h3.5l5-4.5v14l-5-4.5h-3.5z" {FILL}/>'
                '<path d="M15.5 9a4.2 4.2 0 0 1 0 6"/>'
                '<path d="M18.5 6a8.5 8.5 0 0 1 0 12"/>'),
    "mute": (24, 24,
             f'<path d="M3.5 9.5h3.5l5-4.5v14l-5-4.5h-3.5z" {FILL}/>'
             '<path d="M16 9.5l5 5M21 9.5l-5 5"/>'),
    "chevron_left": (12, 24, '<path d="M9.5 3L2.5 12l7 9"/>'),
    "chevron_right": (12, 24, '<path d="M2.5 3l7 9-7 9"/>'),
    "chevron_up": (24, 12, '<path d="M3 9.5L12 2.5l9 7"/>'),
    "chevron_down": (24, 12, '<path d="M3 2.5L12 9.5l9-7"/>'),
    "close": (24, 24, '<path d="M5 5l14 14M19 5L5 19"/>'),
    "minimise": (24, 24, '<path d="M5 12h14"/>'),
    "maximise": (24, 24, '<rect x="5" y="5" width="14" height="14" rx="1.5"/>'),
    "trash": (24, 24,
              '<path d="M4 7h16M9.5 7V4.5h5V7M6.5 7l1 12.5h9l1-12.5M10.5 11v5M13.5 11v5"/>'),
    "back": (24, 24, '<path d="M20 12H5M11 5.5L4.5 12l6.5 6.5"/>'),
    "mic": (24, 24,
            '<rect x="8.75" y="2.5" width="6.5" height="11" rx="3.25"/>'
            '<path d="M5.5 11a6.5 6.5 0 0 0 13 0M12 17.5V21M8.5 21h7"/>'),
    "plus": (24, 24, '<path d="M12 5v14M5 12h14"/>'),
    "copy": (24, 24,
             '<rect x="8.5" y="8.5" width="12" height="12" rx="2"/>'
             '<path d="M15.5 8.5V5.5a2 2 0 0 0-2-2h-8a2 2 0 0 0-2 2v8a2 2 0 0 0 2 2h3"/>'),
    "gear": (24, 24,
             '<circle cx="12" cy="12" r="6"/><circle cx="12" cy="12" r="2.2"/>'
             '<path d="M12 2.5v3M12 18.5v3M2.5 12h3M18.5 12h3M5.3 5.3l2.1 2.1'
             'M16.6 16.6l2.1 2.1M5.3 18.7l2.1-2.1M16.6 7.4l2.1-2.1"/>'),
    "check_ring": (24, 24, '<circle cx="12" cy="12" r="9.5"/><path d="M7.5 12.3l3 3 6-6.3"/>'),
    "play": (24, 24, f'<path d="M8 5.5v13l10.5-6.5z" {FILL} stroke-linejoin="round"/>'),
    "pause": (24, 24,
              f'<rect x="6.5" y="5.5" width="4" height="13" rx="1" {FILL}/>'
              f'<rect x="13.5" y="5.5" width="4" height="13" rx="1" {FILL}/>'),
    "stop": (24, 24, f'<rect x="6.5" y="6.5" width="11" height="11" rx="1.5" {FILL}/>'),
    "play_ring": (24, 24,
                  '<circle cx="12" cy="12" r="10"/>'
                  f'<path d="M10 7.8v8.4l6.6-4.2z" {FILL}/>'),
    "gamepad": (24, 24,
                '<path d="M7.5 7h9a5 5 0 0 1 4.9 4.1l.8 4.7a2.8 2.8 0 0 1-5 2.1L15.5 16h-7'
                'l-1.7 1.9a2.8 2.8 0 0 1-5-2.1l.8-4.7A5 5 0 0 1 7.5 7z"/>'
                '<path d="M7.5 10v3.5M5.75 11.75h3.5"/>'
                f'<circle cx="15.5" cy="10.6" r="1.05" {FILL}/>'
                f'<circle cx="17.8" cy="12.9" r="1.05" {FILL}/>'),
    "ear": (24, 24,
            '<path d="M6.5 9.5a5.5 5.5 0 0 1 11 0c0 3.2-2.3 4.2-3.2 5.9'
            'c-.8 1.6-1.1 3.9-3.6 4.4a2.7 2.7 0 0 1-3.2-2"/>'
            '<path d="M9.5 9.7a2.5 2.5 0 0 1 5 0c0 1.5-1.6 2-2.1 3.3"/>'),
    "sun": (24, 24,
            '<circle cx="12" cy="12" r="4"/>'
            '<path d="M12 2.5v2.5M12 19v2.5M2.5 12H5M19 12h2.5M5.3 5.3l1.8 1.8'
            'M16.9 16.9l1.8 1.8M5.3 18.7l1.8-1.8M16.9 7.1l1.8-1.8"/>'),
    "headset": (24, 24,
                '<path d="M4.5 14v-2a7.5 7.5 0 0 1 15 0v2"/>'
                f'<rect x="2.75" y="12.5" width="4.5" height="7.5" rx="1.8" {FILL}/>'
                f'<rect x="16.75" y="12.5" width="4.5" height="7.5" rx="1.8" {FILL}/>'
                '<path d="M5 20c0 1.6 1.4 2.2 3.8 2.2h1.7"/>'),
    "ring": (24, 24, '<circle cx="12" cy="12" r="8.5"/>'),
    "dot_ring": (24, 24,
                 f'<circle cx="12" cy="12" r="8.5"/><circle cx="12" cy="12" r="4" {FILL}/>'),
}


def glyph_group(name, colour, stroke):
    """The glyph's elements in its own box coordinates."""
    _, _, body = GLYPHS[name]
    return (f'<g color="{colour}" fill="none" stroke="{colour}" stroke-width="{stroke}" '
            f'stroke-linecap="round" stroke-linejoin="round">{body}</g>')


def placed_glyph(name, colour, stroke, width, height, size=None, padding=0.0,
                 rotate=0, offset=(0, 0)):
    """The glyph centred in a width x height area; size is the pixel size of
    the glyph's box height, otherwise it fills the area inside the padding."""
    box_w, box_h, _ = GLYPHS[name]
    scale = size / box_h if size else None
    transform = fit(box_w, box_h, width, height, padding, scale)
    if rotate:
        transform = f"rotate({rotate} {width / 2} {height / 2}) " + transform
    if offset != (0, 0):
        transform = f"translate({offset[0]} {offset[1]}) " + transform
    return f'<g transform="{transform}">{glyph_group(name, colour, stroke)}</g>'


def icon(width, height, name, colour, stroke=2.0, size=None, padding=0.0,
         background="", rotate=0):
    """A whole picture showing one glyph, optionally over a background."""
    return document(width, height,
                    background + placed_glyph(name, colour, stroke, width, height,
                                              size, padding, rotate))
