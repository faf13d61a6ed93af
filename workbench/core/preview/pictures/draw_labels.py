#!/usr/bin/env python3
"""Draws the workbench's 1-bit label pictures from the hand-made pixel fonts below and writes
them as XBM sources beside this script (builtin_pictures.cpp includes them).
Run it again after changing a glyph: python3 workbench/core/pictures/draw_labels.py"""

import os

# 3 x 5 capitals (M and N are wider); "#" is ink.
SMALL = {
    'A': [".#.", "#.#", "###", "#.#", "#.#"],
    'C': [".##", "#..", "#..", "#..", ".##"],
    'E': ["###", "#..", "##.", "#..", "###"],
    'F': ["###", "#..", "##.", "#..", "#.."],
    'G': [".##", "#..", "#.#", "#.#", ".##"],
    'H': ["#.#", "#.#", "###", "#.#", "#.#"],
    'I': ["###", ".#.", ".#.", ".#.", "###"],
    'L': ["#..", "#..", "#..", "#..", "###"],
    'M': ["#...#", "##.##", "#.#.#", "#...#", "#...#"],
    'N': ["#..#", "##.#", "#.##", "#..#", "#..#"],
    'O': [".#.", "#.#", "#.#", "#.#", ".#."],
    'R': ["##.", "#.#", "##.", "#.#", "#.#"],
    'S': [".##", "#..", ".#.", "..#", "##."],
    'T': ["###", ".#.", ".#.", ".#.", ".#."],
    'V': ["#.#", "#.#", "#.#", "#.#", ".#."],
    ' ': ["..", "..", "..", "..", ".."],
}

# 5 x 7 letters, for the bold title and the name label.
LARGE = {
    'A': [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'B': ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    'C': [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    'G': [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."],
    'N': ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    'R': ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    'U': ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'a': [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    'm': [".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"],
    'o': [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    'r': [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    'v': [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    ' ': ["...", "...", "...", "...", "...", "...", "..."],
}

# The two glyphs of the Chinese name of the Chinese language, 11 x 11.
ZHONG = [
    ".....#.....",
    ".....#.....",
    ".#########.",
    ".#...#...#.",
    ".#...#...#.",
    ".#...#...#.",
    ".#########.",
    ".....#.....",
    ".....#.....",
    ".....#.....",
    ".....#.....",
]
WEN = [
    ".....#.....",
    "......#....",
    "###########",
    ".#.......#.",
    "..#.....#..",
    "...#...#...",
    "....#.#....",
    ".....#.....",
    "....#.#....",
    "..##...##..",
    "##.......##",
]


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.ink = [[False] * w for _ in range(h)]

    def glyph(self, rows, x, y, bold=False):
        for dy, row in enumerate(rows):
            for dx, c in enumerate(row):
                if c == '#':
                    for b in ((0, 1) if bold else (0,)):
                        px, py = x + dx + b, y + dy
                        assert 0 <= px < self.w and 0 <= py < self.h, (px, py)
                        self.ink[py][px] = True

    def text(self, font, s, x, y, bold=False):
        for ch in s:
            rows = font[ch]
            self.glyph(rows, x, y, bold)
            x += len(rows[0]) + (2 if bold else 1)
        return x

    def xbm(self, name):
        out = [f"#define {name}_width {self.w}", f"#define {name}_height {self.h}",
               f"static unsigned char {name}_bits[] = {{"]
        data = []
        for row in self.ink:
            for start in range(0, self.w, 8):
                byte = 0
                for bit in range(8):
                    if start + bit < self.w and row[start + bit]:
                        byte |= 1 << bit  # XBM: least significant bit is the leftmost pixel
                data.append(f"0x{byte:02x}")
        for i in range(0, len(data), 12):
            out.append("    " + ", ".join(data[i:i + 12]) + ",")
        out.append("};")
        return "\n".join(out) + "\n"


def text_width(font, s, bold=False):
    return sum(len(font[ch][0]) + (2 if bold else 1) for ch in s) - (2 if bold else 1)


def centred(font, s, width, bold=False):
    return (width - text_width(font, s, bold)) // 2


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    pictures = {}

    # Picture11, the language choice: the Chinese name above "English".
    lang = Canvas(39, 32)
    lang.glyph(ZHONG, 7, 3)
    lang.glyph(WEN, 20, 3)
    lang.text(SMALL, "ENGLISH", centred(SMALL, "ENGLISH", 39), 21)
    pictures["language_label"] = lang

    # Picture12, the file-manager message: bold title, then three lines.
    msg = Canvas(59, 53)
    msg.text(LARGE, "RUN GBA", centred(LARGE, "RUN GBA", 59, True), 4, bold=True)
    for i, line in enumerate(["STARTING", "THE FILE", "MANAGER"]):
        msg.text(SMALL, line, centred(SMALL, line, 59), 19 + 10 * i)
    pictures["file_manager_label"] = msg

    # Picture13's letters; the program colours them light on teal.
    name = Canvas(43, 15)
    name.text(LARGE, "Corvamo", centred(LARGE, "Corvamo", 43), 4)
    pictures["name_label_mask"] = name

    # Picture14, the sample file-list entry.
    entry = Canvas(49, 9)
    entry.text(SMALL, "CORVAMO", 2, 2)
    pictures["sample_entry_label"] = entry

    for key, canvas in pictures.items():
        with open(os.path.join(here, key + ".xbm"), "w") as f:
            f.write(canvas.xbm(key))


if __name__ == "__main__":
    main()
