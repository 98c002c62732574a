#!/usr/bin/env python3
"""Writes the configurator's scalable icons to gui/resources/icons/.

The tree icons come from one table per family so that the set stays
consistent: the shape says what an item is (detector, output device, loop,
key, group, panel, object), the colour says its loop group (fire red,
security blue, monitoring amber, control purple) and grey means blocked or
switched off. The toolbar icons are drawn on a 24-unit grid. Run it again
after changing a table; the written files are kept in the repository.
"""
import colorsys
import os
import sys

FIRE = (205, 45, 40)
SECURITY = (40, 95, 200)
MONITORING = (215, 145, 0)
CONTROL = (125, 60, 170)
OFF = (150, 150, 150)
NEUTRAL = (70, 120, 120)
MIXED = (0, 140, 140)
FOLDER = (225, 185, 70)
PANEL = (80, 90, 110)
KEY_PLAIN = (120, 100, 60)

FONT = "font-family=\"DejaVu Sans, Verdana, Arial, sans-serif\" font-weight=\"bold\""


def hexc(c):
    return "#%02x%02x%02x" % c


def darker(c, factor):
    """The colour with its value divided by factor/100."""
    h, s, v = colorsys.rgb_to_hsv(*(x / 255 for x in c))
    r, g, b = colorsys.hsv_to_rgb(h, s, v * 100 / factor)
    return (round(r * 255), round(g * 255), round(b * 255))


def svg(size, body):
    return ("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" baseProfile=\"tiny\" "
            f"width=\"{size}\" height=\"{size}\" viewBox=\"0 0 {size} {size}\">\n{body}</svg>\n")


def letters(text, cx, cy, px, color="#ffffff"):
    if not text:
        return ""
    # Capital letters stand about 0.72 of the font size above the baseline.
    base = cy + px * 0.36
    return (f"<text x=\"{cx}\" y=\"{base:.1f}\" {FONT} font-size=\"{px}\" "
            f"text-anchor=\"middle\" fill=\"{color}\">{text}</text>\n")


def stripes(grad_id, shape, colors, stroke):
    """The shape filled with vertical stripes of the colours (a gradient
    with hard stops, which every SVG renderer draws)."""
    stops = ""
    part = 1 / len(colors)
    for i, c in enumerate(colors):
        stops += f"<stop offset=\"{part * i:.3f}\" stop-color=\"{hexc(c)}\"/>"
        stops += f"<stop offset=\"{part * (i + 1):.3f}\" stop-color=\"{hexc(c)}\"/>"
    out = (f"<defs><linearGradient id=\"{grad_id}\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"0\">"
           f"{stops}</linearGradient></defs>\n")
    return out + shape.replace(
        "/>", f" fill=\"url(#{grad_id})\" stroke=\"{hexc(stroke)}\" stroke-width=\"1.5\"/>\n")


def tree_icon(shape, text, colors):
    c = colors[0]
    size_px = 12 if len(text) > 1 else 17
    if shape == "detector":
        body = (f"<circle cx=\"16\" cy=\"16\" r=\"13.5\" fill=\"{hexc(c)}\" "
                f"stroke=\"{hexc(darker(c, 160))}\" stroke-width=\"1.5\"/>\n")
        body += letters(text, 16, 16, size_px)
    elif shape == "output":
        body = (f"<rect x=\"2.5\" y=\"2.5\" width=\"27\" height=\"27\" rx=\"4\" fill=\"{hexc(c)}\" "
                f"stroke=\"{hexc(darker(c, 160))}\" stroke-width=\"1.5\"/>\n")
        body += letters(text, 16, 16, size_px)
    elif shape == "loop":
        rect = "<rect x=\"1.5\" y=\"7.5\" width=\"29\" height=\"17\" rx=\"8\"/>"
        body = stripes("loop", rect, colors, darker(c, 160))
        if text:
            body += letters(text, 16, 16, 12 if len(text) > 1 else 14)
        else:
            body += "<line x1=\"7\" y1=\"16\" x2=\"25\" y2=\"16\" stroke=\"#ffffff\" stroke-width=\"2.5\" stroke-linecap=\"round\"/>\n"
    elif shape == "key":
        k = hexc(darker(c, 140))
        body = (f"<g fill=\"none\" stroke=\"{k}\" stroke-width=\"3.5\" stroke-linecap=\"round\">\n"
                "<circle cx=\"9.5\" cy=\"15.5\" r=\"6.5\"/>\n"
                "<polyline points=\"16,15.5 29,15.5\"/>\n"
                "<polyline points=\"25,15.5 25,22\"/>\n"
                "<polyline points=\"21,15.5 21,20\"/>\n</g>\n")
    elif shape == "folder":
        body = (f"<path d=\"M2 8 H12 L15 11 H30 V27 H2 Z\" fill=\"{hexc(c)}\" "
                f"stroke=\"{hexc(darker(c, 150))}\" stroke-width=\"1.5\" stroke-linejoin=\"round\"/>\n"
                f"<path d=\"M2 14 H30\" stroke=\"{hexc(darker(c, 125))}\" stroke-width=\"1\"/>\n")
    elif shape == "panel":
        body = (f"<rect x=\"3.5\" y=\"2.5\" width=\"25\" height=\"27\" rx=\"3\" fill=\"{hexc(c)}\" "
                f"stroke=\"{hexc(darker(c, 150))}\" stroke-width=\"1.5\"/>\n"
                "<rect x=\"7\" y=\"6\" width=\"18\" height=\"9\" fill=\"#a0e6a0\"/>\n")
        body += letters(text, 16, 10.5, 9, hexc(darker(c, 200)))
        for i in range(3):
            body += f"<circle cx=\"{9.5 + 6.5 * i}\" cy=\"21\" r=\"2\" fill=\"#e6e6e6\"/>\n"
    elif shape == "object":
        house = "<path d=\"M16 2 L30 13 H27 V29 H5 V13 H2 Z\"/>"
        body = stripes("house", house, colors, darker(c, 160))
        body += "<rect x=\"13\" y=\"19\" width=\"6\" height=\"10\" fill=\"#ffffff\"/>\n"
    elif shape == "dot":
        body = (f"<circle cx=\"16\" cy=\"16\" r=\"6.5\" fill=\"{hexc(c)}\" "
                f"stroke=\"{hexc(darker(c, 150))}\" stroke-width=\"1.5\"/>\n")
    else:
        raise ValueError(shape)
    return svg(32, body)


def k2_table():
    s = [
        (1, "detector", "Д", [FIRE]), (3, "detector", "Р", [FIRE]),
        (5, "detector", "Т", [FIRE]), (7, "detector", "Г", [FIRE]),
        (9, "detector", "ДК", [MONITORING]),
        (10, "output", "Т3", [MIXED]), (11, "output", "Т3", [MONITORING]),
        (12, "output", "Т3", [SECURITY]),
        (16, "output", "КМ", [FIRE]), (17, "output", "КМ", [MONITORING]),
        (18, "output", "КМ", [SECURITY]),
        (20, "output", "Б", [SECURITY]), (21, "output", "Б", [FIRE]),
        (22, "output", "Б", [MONITORING]),
        (24, "output", "У", [FIRE]),
        (25, "output", "М", [SECURITY]), (26, "output", "М", [FIRE]),
        (27, "output", "М", [MONITORING]),
        (28, "output", "О", [SECURITY]), (29, "output", "О", [FIRE]),
        (30, "output", "О", [MONITORING]),
        (31, "output", "ОВ", [SECURITY]), (32, "output", "ОВ", [FIRE]),
        (33, "output", "ОВ", [MONITORING]),
        (40, "loop", "П", [FIRE]), (41, "loop", "О", [SECURITY]),
        (42, "loop", "К", [MONITORING]), (43, "loop", "У", [CONTROL]),
        (51, "key", "", [FIRE]), (52, "key", "", [SECURITY]), (53, "key", "", [MONITORING]),
        (55, "detector", "Д", [OFF]), (57, "detector", "Р", [OFF]),
        (58, "detector", "Т", [OFF]), (59, "detector", "Г", [OFF]),
        (60, "output", "Т3", [OFF]), (61, "detector", "ДК", [OFF]),
        (62, "output", "КМ", [OFF]), (63, "output", "Б", [OFF]),
        (64, "output", "У", [OFF]), (65, "output", "М", [OFF]),
        (66, "output", "О", [OFF]), (67, "output", "ОВ", [OFF]),
        (74, "loop", "", [OFF]), (75, "key", "", [KEY_PLAIN]),
        (76, "panel", "", [PANEL]), (77, "folder", "", [FOLDER]),
        (81, "loop", "У", [FIRE, CONTROL]), (82, "loop", "У", [SECURITY, CONTROL]),
        (83, "loop", "У", [MONITORING, CONTROL]),
    ]
    return s


def r7_table():
    s = []
    # Detectors: the image, then the image switched off.
    for image, text in [(0, "Д"), (2, "Р"), (4, "Г"), (10, "ИТ"), (12, "Б"), (38, "?")]:
        s.append((image, "detector", text, [FIRE]))
        s.append((image + 1, "detector", text, [OFF]))
    # Output devices: off or mode not set, another mode, mode 0, mode 1.
    for image, text in [(6, "ТС"), (14, "Т"), (18, "КМ"), (22, "У"), (26, "О"), (30, "ОВ"),
                        (34, "У4")]:
        s.append((image, "output", text, [OFF]))
        s.append((image + 1, "output", text, [MONITORING]))
        s.append((image + 2, "output", text, [FIRE]))
        s.append((image + 3, "output", text, [SECURITY]))
    s += [
        (44, "object", "", [MONITORING]), (45, "object", "", [SECURITY]),
        (46, "object", "", [FIRE]), (47, "object", "", [FIRE, SECURITY]),
        (48, "object", "", [FIRE, MONITORING]), (49, "object", "", [SECURITY, MONITORING]),
        (50, "object", "", [FIRE, SECURITY, MONITORING]),
        (51, "key", "", [KEY_PLAIN]), (52, "key", "", [SECURITY]),
        (74, "object", "", [OFF]), (75, "key", "", [NEUTRAL]),
        (76, "panel", "", [PANEL]), (79, "folder", "", [FOLDER]),
    ]
    return s


def s5_table():
    # The console, its folders and LCPs, objects by the kinds of their
    # devices, detectors, executive devices, key readers and keys.
    return [
        (1, "detector", "Д", [FIRE]),
        (7, "output", "?", [NEUTRAL]), (8, "output", "И", [CONTROL]),
        (18, "output", "К", [SECURITY]),
        (44, "object", "", [MONITORING]), (45, "object", "", [SECURITY]),
        (46, "object", "", [FIRE]), (47, "object", "", [FIRE, SECURITY]),
        (48, "object", "", [FIRE, MONITORING]), (49, "object", "", [SECURITY, MONITORING]),
        (50, "object", "", [FIRE, SECURITY, MONITORING]),
        (51, "key", "", [KEY_PLAIN]),
        (74, "object", "", [OFF]), (75, "object", "", [NEUTRAL]),
        (76, "panel", "", [PANEL]), (77, "panel", "L", [MIXED]),
        (79, "folder", "", [FOLDER]),
    ]


# Toolbar icons, 24 units square.
INK = "#3c4650"
PAPER = "#ffffff"
BLUE = "#2864b4"


def page(x, y, w, h, fold=5, fill=PAPER):
    return (f"<path d=\"M{x} {y} H{x + w - fold} L{x + w} {y + fold} V{y + h} H{x} Z\" fill=\"{fill}\" "
            f"stroke=\"{INK}\" stroke-width=\"1.3\" stroke-linejoin=\"round\"/>\n"
            f"<path d=\"M{x + w - fold} {y} V{y + fold} H{x + w}\" fill=\"none\" stroke=\"{INK}\" "
            "stroke-width=\"1.1\" stroke-linejoin=\"round\"/>\n")


def panel_box(x, y):
    """A small alarm panel: a grey case with a green display."""
    return (f"<rect x=\"{x}\" y=\"{y}\" width=\"10\" height=\"12\" rx=\"1.5\" fill=\"#505a6e\" "
            f"stroke=\"#2d3440\" stroke-width=\"1\"/>\n"
            f"<rect x=\"{x + 2}\" y=\"{y + 2}\" width=\"6\" height=\"3.5\" fill=\"#a0e6a0\"/>\n"
            f"<circle cx=\"{x + 3}\" cy=\"{y + 8.8}\" r=\"1\" fill=\"#e6e6e6\"/>\n"
            f"<circle cx=\"{x + 7}\" cy=\"{y + 8.8}\" r=\"1\" fill=\"#e6e6e6\"/>\n")


def arrow(x, y1, y2, color):
    """A thick arrow from y1 to y2 at x."""
    d = 1 if y2 > y1 else -1
    return (f"<path d=\"M{x} {y1} V{y2 - 3 * d}\" stroke=\"{color}\" stroke-width=\"2.4\" "
            "stroke-linecap=\"round\" fill=\"none\"/>\n"
            f"<path d=\"M{x - 4} {y2 - 4 * d} L{x} {y2} L{x + 4} {y2 - 4 * d} Z\" fill=\"{color}\" "
            f"stroke=\"{color}\" stroke-width=\"1\" stroke-linejoin=\"round\"/>\n")


def letter_button(text, color):
    c = tuple(int(color[i:i + 2], 16) for i in (1, 3, 5))
    body = (f"<rect x=\"1.5\" y=\"1.5\" width=\"21\" height=\"21\" rx=\"4\" fill=\"{color}\" "
            f"stroke=\"{hexc(darker(c, 150))}\" stroke-width=\"1\"/>\n")
    body += letters(text, 12, 12, 10 if len(text) > 1 else 14)
    return svg(24, body)


def toolbar_icons():
    icons = {}
    icons["new"] = svg(24, page(5, 2.5, 14, 19) +
                       "<path d=\"M17 15 V21 M14 18 H20\" stroke=\"#2a9a3a\" stroke-width=\"2.2\" "
                       "stroke-linecap=\"round\"/>\n")
    icons["open"] = svg(24,
                        "<path d=\"M2.5 5.5 H9 L11 7.5 H19.5 V10\" fill=\"none\" stroke=\"#9a7420\" "
                        "stroke-width=\"1.3\" stroke-linejoin=\"round\"/>\n"
                        "<path d=\"M2.5 5.5 V19.5 H18.5 L21.5 10.5 H6 L2.5 19.5\" fill=\"#e6bd4a\" "
                        "stroke=\"#9a7420\" stroke-width=\"1.3\" stroke-linejoin=\"round\"/>\n")
    icons["save"] = svg(24,
                        f"<path d=\"M3.5 3.5 H17.5 L20.5 6.5 V20.5 H3.5 Z\" fill=\"{BLUE}\" "
                        "stroke=\"#173c70\" stroke-width=\"1.3\" stroke-linejoin=\"round\"/>\n"
                        "<rect x=\"7\" y=\"3.5\" width=\"9\" height=\"6\" fill=\"#dfe7f2\"/>\n"
                        f"<rect x=\"13\" y=\"4.5\" width=\"2\" height=\"4\" fill=\"{BLUE}\"/>\n"
                        "<rect x=\"6\" y=\"13\" width=\"12\" height=\"7.5\" fill=\"#ffffff\"/>\n")
    icons["cut"] = svg(24,
                       f"<g fill=\"none\" stroke=\"{INK}\" stroke-width=\"1.6\" stroke-linecap=\"round\">\n"
                       "<path d=\"M8 3 L15.5 15.5 M16 3 L8.5 15.5\"/>\n"
                       "<circle cx=\"7\" cy=\"18\" r=\"3\"/>\n<circle cx=\"17\" cy=\"18\" r=\"3\"/>\n"
                       "</g>\n")
    icons["copy"] = svg(24, page(3, 2.5, 12, 15, 4, "#e8edf2") + page(9, 6.5, 12, 15, 4))
    icons["paste"] = svg(24,
                         "<rect x=\"3.5\" y=\"4\" width=\"14\" height=\"17\" rx=\"1.5\" fill=\"#c8964a\" "
                         "stroke=\"#7a5520\" stroke-width=\"1.3\"/>\n"
                         "<rect x=\"7\" y=\"2.5\" width=\"7\" height=\"4\" rx=\"1\" fill=\"#9aa4ae\" "
                         f"stroke=\"{INK}\" stroke-width=\"1\"/>\n" + page(10, 9, 11, 13, 3.5))
    # Reading: from the panel down into the document; writing: up into the panel.
    icons["read-database"] = svg(24, panel_box(2, 2) + page(12, 10.5, 10, 12, 3.5) +
                                 arrow(17, 1.5, 10, "#2a9a3a"))
    icons["write-database"] = svg(24, panel_box(2, 2) + page(12, 10.5, 10, 12, 3.5) +
                                  arrow(17, 10, 1.5, "#c0392b"))
    journal_lines = "".join(
        f"<path d=\"M9 {y} H18\" stroke=\"#7a8794\" stroke-width=\"1.2\"/>\n" for y in (8, 11.5, 15, 18.5))
    icons["read-journal"] = svg(24,
                                "<rect x=\"4.5\" y=\"2.5\" width=\"16\" height=\"19\" rx=\"1.5\" fill=\"#ffffff\" "
                                f"stroke=\"{INK}\" stroke-width=\"1.3\"/>\n"
                                "<rect x=\"4.5\" y=\"2.5\" width=\"3\" height=\"19\" fill=\"#2878a0\"/>\n" +
                                journal_lines)
    icons["open-last"] = svg(24, page(3, 2.5, 13, 17) +
                             "<path d=\"M21 14 A5 5 0 1 1 17.5 9.2\" fill=\"#ffffff\" stroke=\"#2a9a3a\" "
                             "stroke-width=\"2\" stroke-linecap=\"round\"/>\n"
                             "<path d=\"M15.5 6.5 L19.5 9 L15.5 12 Z\" fill=\"#2a9a3a\"/>\n")
    # A magnifier over a plug: the program looks for the panel on the ports.
    icons["find-device"] = svg(24,
                               "<rect x=\"2\" y=\"12.5\" width=\"11\" height=\"7\" rx=\"1.5\" fill=\"#c8cdd2\" "
                               "stroke=\"#505050\" stroke-width=\"1.2\"/>\n"
                               "<path d=\"M5 19.5 V22.5 M10 19.5 V22.5\" stroke=\"#505050\" stroke-width=\"1.6\" "
                               "stroke-linecap=\"round\"/>\n"
                               "<circle cx=\"14\" cy=\"9\" r=\"6\" fill=\"#dcebfa\" fill-opacity=\"0.85\" "
                               "stroke=\"#285a96\" stroke-width=\"2.2\"/>\n"
                               "<path d=\"M18.5 13.5 L22 17\" stroke=\"#285a96\" stroke-width=\"3\" "
                               "stroke-linecap=\"round\"/>\n")
    icons["two-bases"] = svg(24,
                             page(2.5, 2.5, 12, 15, 4, "#e8edf2") + page(9.5, 6.5, 12, 15, 4) +
                             letters("2", 15.5, 15, 9, BLUE))
    icons["about"] = svg(24,
                         f"<circle cx=\"12\" cy=\"12\" r=\"9.5\" fill=\"{BLUE}\" stroke=\"#173c70\" "
                         "stroke-width=\"1.2\"/>\n"
                         "<circle cx=\"12\" cy=\"7.3\" r=\"1.6\" fill=\"#ffffff\"/>\n"
                         "<path d=\"M12 10.5 V17\" stroke=\"#ffffff\" stroke-width=\"2.6\" "
                         "stroke-linecap=\"round\"/>\n")
    # The tree filter of the first family: one button per group.
    for name, text, color in [("filter-devices", "У", "#466eaa"), ("filter-security", "О", "#3c8c50"),
                              ("filter-fire", "П", "#be3c32"), ("filter-control", "К", "#966e28"),
                              ("filter-output", "Уп", "#7850a0"), ("filter-keys", "Кл", "#5a5a5a")]:
        icons[name] = letter_button(text, color)
    return icons


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gui", "resources", "icons")
    written = []

    def write(rel, text):
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
        written.append(rel)

    for family, table in [("k2", k2_table()), ("r7", r7_table()), ("s5", s5_table())]:
        for index, shape, text, colors in table:
            write(f"tree/{family}/{index:02d}.svg", tree_icon(shape, text, colors))
    write("tree/fallback.svg", tree_icon("dot", "", [OFF]))
    for name, text in toolbar_icons().items():
        write(f"toolbar/{name}.svg", text)
    # The list of files for the build.
    with open(os.path.join(root, "icons.cmake"), "w", encoding="utf-8", newline="\n") as f:
        f.write("# Written by scripts/make-icons.py.\nset(tavrin_icon_files\n")
        for rel in sorted(written):
            f.write(f"    {rel}\n")
        f.write(")\n")
    print(f"{len(written)} icons in {os.path.normpath(root)}", file=sys.stderr)


if __name__ == "__main__":
    main()
