"""The seven speakers of the 7.1 surround test.

Each speaker is a small loudspeaker glyph turned towards the listener in the
middle of the test view.  The still picture is grey; the animation shows the
speaker lit in orange with sound waves running towards the listener.
"""

import math

from svgkit import GREY, ORANGE, document

SIZE = 30
# The speaker is drawn pointing right: cabinet and cone, with the waves
# centred on the cone's mouth at x = CONE_X.
CONE_X = 13
WAVE_RADII = (4.5, 8.5, 12.5)
GLYPH_SHIFT = 2.75  # centres the glyph (x 1.5..23) on the picture
# Sound waves per animation frame (indexes into WAVE_RADII): they rise one
# after another and then fade from the inside out.
FRAME_WAVES = ((), (0,), (0, 1), (0, 1, 2), (1, 2), (2,))
FRAME_DELAY_CS = 12

# file stem: direction of the sound in degrees (0 = to the right, clockwise)
SPEAKERS = {
    "左上1": 45,     # front left
    "上1": 90,       # centre
    "右上1": 135,    # front right
    "右1": 180,      # side right
    "右下1": 225,    # back right
    "左下1": 315,    # back left
    "左1": 0,        # side left
}

# The back-left animation is named without the trailing 1.
ANIMATION_NAMES = {stem: stem for stem in SPEAKERS}
ANIMATION_NAMES["左下1"] = "左下"


def _wave(radius, colour, opacity):
    angle = math.radians(44)
    x = CONE_X + radius * math.cos(angle)
    dy = radius * math.sin(angle)
    return (f'<path d="M{x:.2f} {15 - dy:.2f}A{radius} {radius} 0 0 1 {x:.2f} {15 + dy:.2f}" '
            f'fill="none" stroke="{colour}" stroke-width="2.2" stroke-linecap="round" '
            f'opacity="{opacity}"/>')


def _speaker(direction, body_colour, waves):
    """waves: (radius index, colour, opacity) triples."""
    parts = [f'<path d="M2 11h4.5l6.5-5.5v19l-6.5-5.5h-4.5z" fill="{body_colour}" '
             f'stroke="{body_colour}" stroke-width="1" stroke-linejoin="round"/>']
    parts += [_wave(WAVE_RADII[i], colour, opacity) for i, colour, opacity in waves]
    return (f'<g transform="rotate({direction} 15 15) translate({GLYPH_SHIFT} 0)">'
            + "".join(parts) + "</g>")


def still(direction):
    return document(SIZE, SIZE, _speaker(direction, "#c8c8c8",
                                         [(0, GREY, 0.8), (1, GREY, 0.45)]))


def frames(direction):
    """The animation frames of one speaker, as SVG documents."""
    return [document(SIZE, SIZE,
                     _speaker(direction, ORANGE,
                              [(i, ORANGE, 1.0 if i == max(waves) else 0.6) for i in waves]))
            for waves in FRAME_WAVES]
