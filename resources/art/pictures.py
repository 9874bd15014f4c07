#!/usr/bin/env python3
"""Writes every picture of the Velumix window as SVG, plus the list that
scripts/render-pictures.sh turns into the files under resources/pic and the
resource collection resources/velumix.qrc.

Usage: pictures.py WORK_DIR
Writes WORK_DIR/NNN.svg, WORK_DIR/manifest.tsv (kind, picture path below
resources/, comma-separated SVG files, frame delay) and WORK_DIR/velumix.qrc.
"""

import os
import sys
from collections import namedtuple

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import scenes  # noqa: E402
import speakers  # noqa: E402
from glyphs import icon, placed_glyph  # noqa: E402
from headsets import MODELS  # noqa: E402
from svgkit import (BG_WINDOW, DARK_GREY, GREY, LIGHT, ORANGE, ORANGE_DEEP,  # noqa: E402
                    WHITE)

# prefix: resource prefix; path: below resources/; kind: png, jpg, ico or gif;
# svgs: one document, one per icon size (ico) or one per frame (gif).
Picture = namedtuple("Picture", "prefix path kind svgs")

ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)


def single(prefix, path, svg):
    kind = os.path.splitext(path)[1][1:]
    return Picture(prefix, path, kind, [svg])


def icon_family(prefix, folder, rows):
    """rows: (file, width, height, glyph, colour, stroke, glyph size)."""
    return [single(prefix, f"{folder}/{name}",
                   icon(w, h, glyph, colour, stroke, size=size))
            for name, w, h, glyph, colour, stroke, size in rows]


# --- :/Velumix/pic/ -------------------------------------------------------------

def program_icons():
    def tray(size):
        # Thicker lines keep the smallest sizes legible.
        stroke = 3.0 if size <= 24 else 2.4
        glyph = placed_glyph("headset", BG_WINDOW, stroke, size, size, size=size * 0.66)
        return scenes.app_icon(size, ORANGE, ORANGE_DEEP, glyph)

    def plain(size):
        return scenes.app_icon(size, "#3a3a3a", BG_WINDOW, scenes.brand_tile(size, ORANGE))

    return [Picture("/Velumix", "pic/bb.ico", "ico", [tray(s) for s in ICON_SIZES]),
            Picture("/Velumix", "pic/aa.ico", "ico", [plain(s) for s in ICON_SIZES])]


# --- :/controls/pic/ and :/controls/pic/control/ ---------------------------------

def window_button(glyph, hover_fill):
    mark = placed_glyph(glyph, WHITE, 2.2, 40, 40, size=20)
    return scenes.window_button(40, mark, hover_fill)


def controls():
    c = "/controls"
    pictures = [
        single(c, "pic/control/aaa.png",
               scenes.window_background(scenes.FULL_W, scenes.FULL_H)),
        single(c, "pic/control/title.png", scenes.title_picture(1176, 100)),
        single(c, "pic/control/panel.png", scenes.panel_background(295, 651)),
        single(c, "pic/control/button.png", scenes.slider_handle(16, WHITE, ORANGE)),
        single(c, "pic/control/button-hover.png", scenes.slider_handle(16, ORANGE, WHITE)),
        single(c, "pic/control/white.png", scenes.bar(260, 1, "#e6e6e6")),
        single(c, "pic/control/orange.png", scenes.bar(260, 1, ORANGE)),
        single(c, "pic/control/close.png", window_button("close", ORANGE)),
        single(c, "pic/control/minimize.png", window_button("minimise", "#3c3c3c")),
        single(c, "pic/control/maximize.png", window_button("maximise", "#3c3c3c")),
        single(c, "pic/control/Head_Background.jpg", scenes.banner(301, 71)),
        single(c, "pic/control/Head1.png", scenes.badge(105, 26, "7.1 SURROUND")),
        single(c, "pic/control/Head2.png", scenes.badge(105, 26, "STEREO")),
        single(c, "pic/control/Head3.png", scenes.badge(105, 26, "MIC ENC")),
        single(c, "pic/background.png", scenes.window_background(1176, 733, with_title=False)),
        single(c, "pic/surround-test.png", scenes.surround_test_background(531, 371)),
    ]
    pictures += icon_family(c, "pic/control", [
        ("minimize-hui.png", 40, 40, "minimise", GREY, 2.2, 20),
        ("maximize-hui.png", 40, 40, "maximise", GREY, 2.2, 20),
        ("radiobutton.png", 16, 16, "dot_ring", ORANGE, 2.4, 16),
        ("radiobutton-hui.png", 16, 16, "ring", GREY, 2.4, 16),
        ("Microphone.png", 20, 27, "mic", WHITE, 2.2, 20),
        ("Microphone-hui.png", 20, 27, "mic", GREY, 2.2, 20),
    ])
    # Play buttons of the surround test.
    pictures += icon_family(c, "pic", [
        (f"{name}{state}.png", 25, 25, name, colour, 2, 25)
        for name in ("play", "pause", "stop")
        for state, colour in (("", WHITE), ("-hover", ORANGE))
    ])
    return pictures


# --- :/sw/pic/sw/ ----------------------------------------------------------------

def sw_icons():
    white_grey = [
        # stem, width, height, glyph, stroke, glyph size
        ("laba", 21, 16, "speaker", 2.4, 16),
        ("left", 9, 18, "chevron_left", 2.6, 18),
        ("jiantou", 9, 18, "chevron_right", 2.6, 18),
        ("guanbi", 40, 40, "close", 2.2, 20),
        ("shanchu", 50, 50, "trash", 1.8, 30),
        ("fanhui", 30, 24, "back", 2.4, 22),
        ("maikefeng", 24, 32, "mic", 2.0, 24),
        ("tianjia", 20, 20, "plus", 2.4, 20),
        ("fuzhi", 22, 22, "copy", 2.0, 22),
        ("shezhi", 24, 24, "gear", 2.0, 24),
        ("zuixiaohua", 40, 40, "minimise", 2.2, 20),
    ]
    rows = [(f"{stem}-{suffix}.png", w, h, glyph, colour, stroke, size)
            for stem, w, h, glyph, stroke, size in white_grey
            for suffix, colour in (("白色", WHITE), ("灰色", GREY))]
    rows += [
        ("jingyin-白色.png", 21, 16, "mute", WHITE, 2.4, 16),
        ("guanbi-橙色.png", 40, 40, "close", ORANGE, 2.2, 20),
        ("fanhui-深灰.png", 30, 24, "back", DARK_GREY, 2.4, 22),
        ("top.png", 18, 9, "chevron_up", LIGHT, 2.6, 9),
        ("top-灰色.png", 18, 9, "chevron_up", GREY, 2.6, 9),
        ("bottom.png", 18, 9, "chevron_down", LIGHT, 2.6, 9),
        ("bottom-灰色.png", 18, 9, "chevron_down", GREY, 2.6, 9),
        ("hui_mai.png", 12, 16, "mic", GREY, 2.8, 14),
        ("bai_mai.png", 12, 16, "mic", WHITE, 2.8, 14),
    ]
    return icon_family("/sw", "pic/sw", rows)


def sw_pictures():
    s = "/sw"
    return sw_icons() + [
        single(s, "pic/sw/plindar-hui.png", scenes.logo_picture(109, 19, GREY, GREY, 14, 14)),
        single(s, "pic/sw/plindar-白色.png", scenes.logo_picture(109, 19, WHITE, WHITE, 14, 14)),
        single(s, "pic/sw/plindarLOGO-灰色.png",
               scenes.logo_picture(300, 64, GREY, GREY, 44, 42)),
        single(s, "pic/sw/plindarLOGO-白色.png",
               scenes.logo_picture(300, 64, WHITE, WHITE, 44, 42)),
        single(s, "pic/sw/main_2.jpg", scenes.start_screen_connect(1176, 733)),
        single(s, "pic/sw/main_3.jpg", scenes.start_screen_searching(1176, 733)),
        # The high-contrast look's: its small texts in a lighter grey.
        single(s, "pic/sw/main_2-high-contrast.jpg",
               scenes.start_screen_connect(1176, 733, scenes.HIGH_CONTRAST_CAPTION)),
    ]


# --- :/gif/pic/gif/ and :/png/pic/png/ -------------------------------------------

def speaker_pictures():
    stills = [single("/png", f"pic/png/{stem}.png", speakers.still(direction))
              for stem, direction in speakers.SPEAKERS.items()]
    animations = [Picture("/gif", f"pic/gif/{speakers.ANIMATION_NAMES[stem]}.gif", "gif",
                          speakers.frames(direction))
                  for stem, direction in speakers.SPEAKERS.items()]
    return stills, animations


def png_pictures(stills):
    p = "/png"
    return stills + [
        single(p, "pic/png/11111.png", scenes.equaliser_background(591, 371)),
        single(p, "pic/png/11111-high-contrast.png",
               scenes.equaliser_background(591, 371, scenes.HIGH_CONTRAST_CAPTION)),
        single(p, "pic/png/huatiao.png", scenes.slider_bar(251, 6)),
    ] + icon_family(p, "pic/png", [
        ("add.png", 20, 20, "plus", WHITE, 2.6, 16),
        ("del.png", 16, 16, "close", GREY, 2.8, 16),
        ("check.png", 22, 22, "check_ring", ORANGE, 2.0, 22),
        ("yuan.png", 16, 16, "ring", GREY, 2.2, 16),
        ("yuan2.png", 16, 16, "dot_ring", ORANGE, 2.2, 16),
    ])


# --- :/min/pic/min/ --------------------------------------------------------------

def tab_icon(glyph, colour):
    """Qt draws the icons of tabs on the West side turned a quarter to the
    left, so the picture holds its glyph turned a quarter to the right."""
    return icon(45, 87, glyph, colour, 1.8, size=34, rotate=90)


def min_pictures():
    rows = [("game-hui.png", "gamepad", GREY), ("game.png", "gamepad", WHITE),
            ("ear.png", "ear", GREY), ("ear-bai.png", "ear", WHITE),
            ("maikefeng.png", "mic", GREY), ("maikefeng-bai.png", "mic", WHITE),
            ("sun.png", "sun", GREY), ("sun-bai.png", "sun", WHITE)]
    return ([single("/min", f"pic/min/{name}", tab_icon(glyph, colour))
             for name, glyph, colour in rows]
            + [single("/min", "pic/min/Test.png", icon(25, 25, "play_ring", ORANGE, 1.8, size=25))])


# --- :/headset/pic/headset/ ------------------------------------------------------

def headset_pictures():
    h = "/headset"
    captions = {name: name.upper() for name in MODELS}
    captions["SW"] = "USB HEADSET"
    pictures = [single(h, f"pic/headset/{name}.png", scenes.headset_picture(name, caption))
                for name, caption in captions.items()]
    pictures.append(single(h, "pic/headset/Rasko_main_back.jpg",
                           scenes.headset_screen_background()))
    pictures += [single(h, f"pic/headset/{name}_main_{state}.jpg",
                        scenes.headset_button_picture(name, mode))
                 for name in ("Rasko", "Sorel")
                 for state, mode in (("hui", "dim"), ("bai", "white"))]
    return pictures


def all_pictures():
    stills, animations = speaker_pictures()
    return (program_icons() + controls() + sw_pictures() + animations + min_pictures()
            + png_pictures(stills) + headset_pictures())


PREFIX_ORDER = ("/Velumix", "/controls", "/sw", "/gif", "/min", "/png", "/headset")


# Files of the collection that are not pictures: the application's style sheet.
OTHER_FILES = (("/style", "velumix.qss"),)


def qrc_text(pictures):
    lines = ["<!DOCTYPE RCC>", '<RCC version="1.0">']
    for prefix, path in OTHER_FILES:
        lines += [f'<qresource prefix="{prefix}">', f"    <file>{path}</file>", "</qresource>"]
    for prefix in PREFIX_ORDER:
        lines.append(f'<qresource prefix="{prefix}">')
        lines += [f"    <file>{p.path}</file>"
                  for p in sorted(pictures, key=lambda p: p.path) if p.prefix == prefix]
        lines.append("</qresource>")
    lines.append("</RCC>")
    return "\n".join(lines) + "\n"


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: pictures.py WORK_DIR")
    work = sys.argv[1]
    pictures = all_pictures()
    paths = [p.path for p in pictures]
    if len(set(paths)) != len(paths):
        sys.exit("two pictures share one path")
    counter = 0
    rows = []
    for picture in pictures:
        files = []
        for svg in picture.svgs:
            counter += 1
            name = f"{counter:03d}.svg"
            with open(os.path.join(work, name), "w", encoding="utf-8") as out:
                out.write(svg)
            files.append(name)
        delay = speakers.FRAME_DELAY_CS if picture.kind == "gif" else 0
        rows.append(f"{picture.kind}\t{picture.path}\t{','.join(files)}\t{delay}\n")
    with open(os.path.join(work, "manifest.tsv"), "w", encoding="utf-8") as out:
        out.writelines(rows)
    with open(os.path.join(work, "velumix.qrc"), "w", encoding="utf-8") as out:
        out.write(qrc_text(pictures))


if __name__ == "__main__":
    main()
