"""The Velumix emblem (five equaliser bars forming a V) and word mark."""

from svgkit import text

# Bar heights as fractions of the emblem height, left to right.
EMBLEM_BARS = (1.0, 0.68, 0.42, 0.68, 1.0)


def emblem(x, y, height, colour, middle_colour=None):
    """Emblem with its top-left corner at (x, y); returns (svg, width)."""
    bar_w = height * 0.15
    gap = height * 0.075
    parts = []
    for index, fraction in enumerate(EMBLEM_BARS):
        bar_h = height * fraction
        fill = middle_colour if middle_colour and index == 2 else colour
        parts.append(
            f'<rect x="{x + index * (bar_w + gap):.2f}" y="{y + height - bar_h:.2f}" '
            f'width="{bar_w:.2f}" height="{bar_h:.2f}" rx="{bar_w / 2:.2f}" fill="{fill}"/>')
    width = 5 * bar_w + 4 * gap
    return "".join(parts), width


def word_mark(x, baseline, size, colour, spacing=None, anchor="start"):
    """The program name in capitals."""
    if spacing is None:
        spacing = size * 0.12
    return text(x, baseline, "VELUMIX", size, colour, weight="bold",
                anchor=anchor, spacing=spacing)

