#!/usr/bin/env python3
"""Draws the pictures of the sample reference windows' controls (24-bit bitmaps) in the UI folder.

Each button is a strip of four frames side by side (normal, hot, pressed, unavailable), each
check box a strip of eight (the same four unchecked, then checked), every frame the size of its
control. The four title pictures lie in the UI folder itself, where the library names them; the
rest in UI/Controls, which build.sh packs into UI/Controls.nux. All in one dark, night-sky look:
deep blue faces, pale blue glyphs, gold where the pointer is. Usage: make_pictures.py <UI-folder>
"""
import math
import os
import struct
import sys

NIGHT = (16, 22, 48)
PANEL = (22, 30, 62)
FACE = (34, 46, 92)
FACE_HOT = (52, 72, 138)
FACE_DOWN = (14, 19, 42)
FACE_OFF = (38, 42, 58)
EDGE = (110, 130, 190)
EDGE_HOT = (222, 184, 92)
INK = (205, 218, 255)
INK_HOT = (255, 236, 180)
INK_OFF = (92, 100, 128)
GOLD = (222, 184, 92)
CHECKED = (70, 96, 170)

# Capitals of a 5 x 7 pixel font, row by row from the top, "#" set.
FONT = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "F": ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    "G": [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "J": ["..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."],
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "W": ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."],
    "X": ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    "Y": ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    "Ö": ["#...#", ".###.", "#...#", "#...#", "#...#", "#...#", ".###."],
    "Ä": ["#...#", ".###.", "#...#", "#####", "#...#", "#...#", "#...#"],
    "Ü": ["#...#", ".....", "#...#", "#...#", "#...#", "#...#", ".###."],
    "(": ["...#.", "..#..", ".#...", ".#...", ".#...", "..#..", "...#."],
    ")": [".#...", "..#..", "...#.", "...#.", "...#.", "..#..", ".#..."],
    "?": [".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."],
    " ": [".....", ".....", ".....", ".....", ".....", ".....", "....."],
    "-": [".....", ".....", ".....", ".###.", ".....", ".....", "....."],
}


class Canvas:
    def __init__(self, width, height, colour):
        self.w, self.h = width, height
        self.px = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = colour

    def fill(self, x0, y0, x1, y1, colour):
        """Fills the rectangle from (x0, y0) to (x1, y1), end points excluded."""
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.px[y][x] = colour

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1):
            self.put(x, y0, colour)
            self.put(x, y1 - 1, colour)
        for y in range(y0, y1):
            self.put(x0, y, colour)
            self.put(x1 - 1, y, colour)

    def line(self, x0, y0, x1, y1, colour, width=1):
        steps = int(max(abs(x1 - x0), abs(y1 - y0), 1) * 2)
        r = (width - 1) / 2
        for i in range(steps + 1):
            t = i / steps
            cx, cy = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
            for y in range(int(math.floor(cy - r)), int(math.ceil(cy + r)) + 1):
                for x in range(int(math.floor(cx - r)), int(math.ceil(cx + r)) + 1):
                    if (x - cx) ** 2 + (y - cy) ** 2 <= (r + 0.5) ** 2:
                        self.put(x, y, colour)

    def polygon(self, points, colour):
        """Fills a convex polygon given by its corners."""
        ys = [p[1] for p in points]
        for y in range(int(min(ys)), int(math.ceil(max(ys))) + 1):
            cy = y + 0.5
            xs = []
            for i in range(len(points)):
                (ax, ay), (bx, by) = points[i], points[(i + 1) % len(points)]
                if (ay <= cy < by) or (by <= cy < ay):
                    xs.append(ax + (cy - ay) * (bx - ax) / (by - ay))
            if len(xs) >= 2:
                for x in range(int(round(min(xs))), int(round(max(xs)))):
                    self.put(x, y, colour)

    def ring(self, cx, cy, r, colour, width=1.0):
        for y in range(int(cy - r - 2), int(cy + r + 3)):
            for x in range(int(cx - r - 2), int(cx + r + 3)):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if abs(d - r) <= width / 2:
                    self.put(x, y, colour)

    def disc(self, cx, cy, r, colour):
        for y in range(int(cy - r - 1), int(cy + r + 2)):
            for x in range(int(cx - r - 1), int(cx + r + 2)):
                if math.hypot(x + 0.5 - cx, y + 0.5 - cy) <= r:
                    self.put(x, y, colour)

    def text(self, s, colour, cx=None, cy=None, scale=1, left=None):
        """Writes capitals centred on (cx, cy), or from `left` when given."""
        width = (len(s) * 6 - 1) * scale
        x = left if left is not None else int(round((self.w if cx is None else cx * 2) / 2 - width / 2))
        y = int(round((self.h if cy is None else cy * 2) / 2 - 7 * scale / 2))
        for ch in s:
            rows = FONT[ch]
            for ry, row in enumerate(rows):
                for rx, c in enumerate(row):
                    if c == "#":
                        self.fill(x + rx * scale, y + ry * scale, x + (rx + 1) * scale, y + (ry + 1) * scale, colour)
            x += 6 * scale

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                self.put(ox + x, oy + y, other.px[y][x])


def write_bmp(path, canvas):
    stride = (canvas.w * 3 + 3) // 4 * 4
    rows = b""
    for y in range(canvas.h - 1, -1, -1):  # bottom-up
        row = b"".join(bytes((b, g, r)) for (r, g, b) in canvas.px[y])
        rows += row + b"\x00" * (stride - len(row))
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + rows)


LOOKS = ("normal", "hot", "pressed", "unavailable")


def face(w, h, look, checked=False):
    """One frame's face: a plate with a bevelled edge."""
    fill = {"normal": FACE, "hot": FACE_HOT, "pressed": FACE_DOWN, "unavailable": FACE_OFF}[look]
    if checked and look in ("normal", "unavailable"):
        fill = CHECKED if look == "normal" else (52, 58, 84)
    c = Canvas(w, h, NIGHT)
    c.fill(1, 1, w - 1, h - 1, fill)
    edge = EDGE_HOT if look == "hot" or (checked and look != "unavailable") else EDGE
    if look == "unavailable":
        edge = (66, 72, 96)
    c.frame(0, 0, w, h, edge)
    # Corners rounded off by one pixel.
    for x, y in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
        c.put(x, y, NIGHT)
    if look == "pressed":
        c.fill(1, 1, w - 1, 2, (8, 10, 24))
        c.fill(1, 1, 2, h - 1, (8, 10, 24))
    elif w > 4 and h > 4:
        c.fill(2, 1, w - 2, 2, tuple(min(255, v + 28) for v in fill))
    return c


def ink(look):
    return {"normal": INK, "hot": INK_HOT, "pressed": INK, "unavailable": INK_OFF}[look]


def strip(w, h, glyph, checkbox=False):
    """A strip of frames w x h; glyph(canvas, colour, look, checked, dx, dy) draws the symbol."""
    frames = []
    for checked in ((False, True) if checkbox else (False,)):
        for look in LOOKS:
            c = face(w, h, look, checked)
            shift = 1 if look == "pressed" else 0
            glyph(c, ink(look), look, checked, shift)
            frames.append(c)
    out = Canvas(w * len(frames), h, NIGHT)
    for i, f in enumerate(frames):
        out.blit(f, i * w, 0)
    return out


# ---- symbols, drawn about the middle of a frame (dx: one pixel right and down when pressed) ----

def g_text(s):
    def draw(c, col, look, checked, d):
        c.text(s, col, c.w / 2 + d, c.h / 2 + d)
    return draw


def g_arrow(direction):
    def draw(c, col, look, checked, d):
        mx, my = c.w / 2 + d, c.h / 2 + d
        s = min(c.w, c.h) * 0.3
        if direction < 0:
            c.polygon([(mx - s, my), (mx, my - s), (mx, my + s)], col)
            c.fill(int(mx), int(my - s / 3), int(mx + s), int(my + s / 3) + 1, col)
        else:
            c.polygon([(mx + s, my), (mx, my - s), (mx, my + s)], col)
            c.fill(int(mx - s), int(my - s / 3), int(mx), int(my + s / 3) + 1, col)
    return draw


def g_close(c, col, look, checked, d):
    m = max(3, c.w // 4)
    c.line(m + d, m + d, c.w - 1 - m + d, c.h - 1 - m + d, col, 2 if c.w >= 14 else 1)
    c.line(c.w - 1 - m + d, m + d, m + d, c.h - 1 - m + d, col, 2 if c.w >= 14 else 1)


def g_fold(c, col, look, checked, d):
    mx, my = c.w / 2 + d, c.h / 2 + d
    c.fill(int(mx - c.w * 0.3), int(my + 2), int(mx + c.w * 0.3) + 1, int(my + 4), col)
    c.polygon([(mx - c.w * 0.22, my + 1), (mx + c.w * 0.22, my + 1), (mx, my - c.h * 0.28)], col)


def g_print(c, col, look, checked, d):
    mx, my = int(c.w / 2) + d, int(c.h / 2) + d
    c.fill(mx - 4, my - 6, mx + 4, my - 1, (235, 240, 255) if look != "unavailable" else INK_OFF)
    c.fill(mx - 7, my - 2, mx + 7, my + 4, col)
    c.fill(mx - 4, my + 2, mx + 4, my + 7, (235, 240, 255) if look != "unavailable" else INK_OFF)
    c.put(mx + 5, my, GOLD if look != "unavailable" else INK_OFF)


def g_copy(c, col, look, checked, d):
    mx, my = int(c.w / 2) + d, int(c.h / 2) + d
    c.frame(mx - 6, my - 6, mx + 2, my + 4, col)
    c.fill(mx - 2, my - 2, mx + 6, my + 8, col)
    c.fill(mx - 1, my - 1, mx + 5, my + 7, FACE_DOWN if look == "pressed" else (20, 28, 58))
    for y in (my + 1, my + 3, my + 5):
        c.fill(mx, y, mx + 4, y + 1, col)


def g_search(c, col, look, checked, d):
    mx, my = c.w / 2 + d, c.h / 2 + d
    c.ring(mx - 1.5, my - 1.5, 4.2, col, 1.6)
    c.line(mx + 2, my + 2, mx + 6, my + 6, col, 2)


def g_bookmarks(c, col, look, checked, d):
    mx, my = c.w / 2 + d, c.h / 2 + d
    top, bottom = my - 6, my + 6
    c.polygon([(mx - 4, top), (mx + 4, top), (mx + 4, bottom), (mx, bottom - 3), (mx - 4, bottom)],
              GOLD if look != "unavailable" else INK_OFF)


def g_wordlist(c, col, look, checked, d):
    mx, my = int(c.w / 2) + d, int(c.h / 2) + d
    c.text("A", col, mx - 3.5, my - 0.5)
    for y in (my - 5, my - 1, my + 3):
        c.fill(mx + 1, y, mx + 8, y + 2, col)


def g_objectmenu(c, col, look, checked, d):
    mx, my = c.w / 2 + d - 4, c.h / 2 + d
    star = []
    for i in range(10):
        r = 6 if i % 2 == 0 else 2.6
        a = -math.pi / 2 + i * math.pi / 5
        star.append((mx + r * math.cos(a), my + r * math.sin(a)))
    tip = GOLD if look != "unavailable" else INK_OFF
    for i in range(5):
        c.polygon([(mx, my), star[2 * i - 1], star[2 * i], star[(2 * i + 1) % 10]], tip)
    c.polygon([(mx + 8, my - 1), (mx + 14, my - 1), (mx + 11, my + 3)], col)


def g_tables(c, col, look, checked, d):
    mx, my = int(c.w / 2) + d, int(c.h / 2) + d
    gx = mx - 30
    for x in range(3):
        for y in range(3):
            c.fill(gx + x * 4, my - 5 + y * 4, gx + x * 4 + 3, my - 5 + y * 4 + 3, col)
    c.text("TABELLEN", col, mx + 6, my)


def g_tab(word):
    def draw(c, col, look, checked, d):
        if checked:
            col = INK_HOT if look != "unavailable" else INK_OFF
        c.text(word, col, c.w / 2 + d, c.h / 2 + d)
        if checked:
            c.fill(4, c.h - 3, c.w - 4, c.h - 2, GOLD)
    return draw


def g_box(label, left_label=False):
    """A check box: a small box with a tick when checked, and a label."""
    def draw(c, col, look, checked, d):
        s = min(c.h - 8, 11)
        bx, by = (5 if left_label else int(c.w / 2 - s / 2 - (0 if not label else 6))) + d, int(c.h / 2 - s / 2) + d
        c.fill(bx, by, bx + s, by + s, (10, 14, 32))
        c.frame(bx, by, bx + s, by + s, col)
        if checked:
            tick = GOLD if look != "unavailable" else INK_OFF
            c.line(bx + 2, by + s / 2, bx + s / 2 - 1, by + s - 3, tick, 2)
            c.line(bx + s / 2 - 1, by + s - 3, bx + s - 2, by + 2, tick, 2)
        if label:
            c.text(label, col, left=bx + s + (6 if left_label else 3), cy=c.h / 2 + d)
    return draw


def fade(c, top, bottom):
    """Fills the canvas row by row from the colour `top` at its first row to `bottom` at its last."""
    for y in range(c.h):
        t = y / (c.h - 1)
        col = tuple(int(round(top[i] + (bottom[i] - top[i]) * t)) for i in range(3))
        c.fill(0, y, c.w, y + 1, col)


def title(word, w=180, h=15):
    c = Canvas(w, h, NIGHT)
    c.fill(1, 1, w - 1, h - 1, PANEL)
    c.frame(0, 0, w, h, (60, 76, 130))
    c.disc(8, h / 2, 3, GOLD)
    c.text(word, GOLD, left=16, cy=h / 2)
    return c


def search_background(w=405, h=581):
    """The search window's picture: the title band, the query field, the list's well."""
    c = Canvas(w, h, NIGHT)
    fade(c, NIGHT, PANEL)
    c.fill(0, 0, w, 30, FACE)
    c.fill(0, 29, w, 30, EDGE)
    c.disc(14, 15, 4, GOLD)
    c.text("SUCHE", INK_HOT, left=26, cy=15, scale=2)
    # A faint star field below the title band.
    seed = 7
    for _ in range(60):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        x = seed % w
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        y = 32 + seed % 140
        c.put(x, y, (120, 140, 200))
    # The query field and the list's well.
    c.frame(94, 40, 382, 60, EDGE)
    c.text("?", INK, left=79, cy=50)
    c.fill(10, 181, 394, 568, (10, 12, 26))
    c.frame(10, 181, 394, 568, EDGE)
    c.text("MODULE", INK_OFF, left=112 + 60 + 10, cy=163)
    # A frame round the window.
    c.frame(0, 0, w, h, EDGE)
    return c


def caption_band(w=1600, h=18):
    """The main window's caption strip, wide enough for any window width."""
    c = Canvas(w, h, NIGHT)
    fade(c, FACE, NIGHT)
    c.fill(0, h - 1, w, h, (60, 76, 130))
    return c


def panel_background(w=306, h=555):
    c = Canvas(w, h, PANEL)
    fade(c, PANEL, NIGHT)
    c.frame(0, 0, w, h, (44, 58, 110))
    return c


# name: (width, height, glyph, check box)
CONTROLS = {
    # The main reference window.
    "Close.bmp": (15, 15, g_close, False),
    "Fold.bmp": (15, 15, g_fold, False),
    "Back.bmp": (21, 18, g_arrow(-1), False),
    "Forward.bmp": (21, 18, g_arrow(1), False),
    "Print.bmp": (21, 18, g_print, False),
    "Copy.bmp": (21, 18, g_copy, False),
    "Search.bmp": (21, 18, g_search, False),
    "Bookmarks.bmp": (21, 18, g_bookmarks, False),
    "WordList.bmp": (21, 18, g_wordlist, False),
    "ObjectMenu.bmp": (30, 18, g_objectmenu, False),
    "TabDict.bmp": (72, 15, g_tab("LEXIKON"), True),
    "TabPG.bmp": (72, 15, g_tab("GALERIE"), True),
    "TabRB.bmp": (72, 15, g_tab("BUCH"), True),
    "TabHelp.bmp": (72, 15, g_tab("HILFE"), True),
    # The dictionary panel's tables button.
    "Tables.bmp": (120, 21, g_tables, False),
    # The search window.
    "Or.bmp": (42, 22, g_text("ODER"), False),
    "And.bmp": (42, 22, g_text("UND"), False),
    "Not.bmp": (42, 22, g_text("NICHT"), False),
    "Open.bmp": (32, 22, g_text("("), False),
    "Shut.bmp": (32, 22, g_text(")"), False),
    "Find.bmp": (76, 22, g_text("SUCHEN"), False),
    "Help.bmp": (32, 22, g_text("?"), False),
    "WholeWords.bmp": (189, 22, g_box("NUR GANZE WÖRTER", left_label=True), True),
    "BoxDict.bmp": (32, 22, g_box("L"), True),
    "BoxPG.bmp": (32, 22, g_box("G"), True),
    "BoxRB.bmp": (32, 22, g_box("B"), True),
    "BoxHelp.bmp": (32, 22, g_box("H"), True),
}

TITLES = {
    "TitleDict.bmp": "ASTRONOMIE-LEXIKON",
    "TitlePG.bmp": "BILDERGALERIE",
    "TitleRB.bmp": "NACHSCHLAGEWERK",
    "TitleHelp.bmp": "HILFE",
}


def main():
    ui = sys.argv[1]
    controls = os.path.join(ui, "Controls")
    os.makedirs(controls, exist_ok=True)
    for name, (w, h, glyph, checkbox) in CONTROLS.items():
        write_bmp(os.path.join(controls, name), strip(w, h, glyph, checkbox))
    write_bmp(os.path.join(controls, "SearchBack.bmp"), search_background())
    write_bmp(os.path.join(controls, "Panel.bmp"), panel_background())
    write_bmp(os.path.join(controls, "Caption.bmp"), caption_band())
    for name, word in TITLES.items():
        write_bmp(os.path.join(ui, name), title(word))


if __name__ == "__main__":
    main()
