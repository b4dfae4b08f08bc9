#!/usr/bin/env python3
"""Generates the keyboard layout files in data/layouts/.

Each board is described below as rows of keys with their widths in key units
(1 u = one standard key pitch). The key index of every key is taken from the
keyboard's built-in matrix in src/device/key_index.h (index = 6 x column +
row), so the files and the firmware tables cannot drift apart; a key the
matrix lacks gets the next index that is free in the matrix.

Usage: layoutgen.py [--out DIR]   (default: data/layouts beside this repo)
"""

import argparse
import os
import re
import sys
from xml.sax.saxutils import quoteattr

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
KEY_INDEX_HEADER = os.path.join(ROOT, "src", "device", "key_index.h")

PITCH = 42       # pixels per key unit
GAP = 4          # pixels between neighbouring keycaps
MARGIN = 16      # pixels around the keys inside the picture
PAGE_LEFT = 200  # the keyboard pages' area in the 1200 x 720 main window
PAGE_WIDTH = 1000
PICTURE_TOP = 150

FN_CODE = 255    # the Fn key's code in layout files and downloads

# code: (keycap label, description)
KEYS = {
    41: ("Esc", "Escape"),
    53: ("`", "Grave accent and tilde"),
    43: ("Tab", "Tab"),
    57: ("Caps Lock", "Caps Lock"),
    225: ("Shift", "Left Shift"),
    224: ("Ctrl", "Left Control"),
    227: ("Win", "Left Windows key"),
    226: ("Alt", "Left Alt"),
    44: ("Space", "Space bar"),
    230: ("Alt", "Right Alt"),
    FN_CODE: ("Fn", "Function layer key"),
    101: ("Menu", "Application (context menu) key"),
    228: ("Ctrl", "Right Control"),
    229: ("Shift", "Right Shift"),
    42: ("Backspace", "Backspace"),
    40: ("Enter", "Enter"),
    45: ("-", "Minus and underscore"),
    46: ("=", "Equals and plus"),
    47: ("[", "Left bracket and brace"),
    48: ("]", "Right bracket and brace"),
    49: ("\\", "Backslash and vertical bar"),
    51: (";", "Semicolon and colon"),
    52: ("'", "Quote and double quote"),
    54: (",", "Comma and less-than"),
    55: (".", "Period and greater-than"),
    56: ("/", "Slash and question mark"),
    70: ("PrtSc", "Print Screen"),
    71: ("ScrLk", "Scroll Lock"),
    72: ("Pause", "Pause / Break"),
    73: ("Ins", "Insert"),
    74: ("Home", "Home"),
    75: ("PgUp", "Page Up"),
    76: ("Del", "Delete"),
    77: ("End", "End"),
    78: ("PgDn", "Page Down"),
    79: ("\u2192", "Right arrow"),
    80: ("\u2190", "Left arrow"),
    81: ("\u2193", "Down arrow"),
    82: ("\u2191", "Up arrow"),
    83: ("Num", "Num Lock"),
    84: ("/", "Keypad divide"),
    85: ("*", "Keypad multiply"),
    86: ("-", "Keypad minus"),
    87: ("+", "Keypad plus"),
    88: ("Enter", "Keypad Enter"),
    98: ("0", "Keypad 0 / Insert"),
    99: (".", "Keypad period / Delete"),
    209: ("M1", "Extra key 1 above the keypad"),
    210: ("M2", "Extra key 2 above the keypad"),
    211: ("M3", "Extra key 3 above the keypad"),
    212: ("M4", "Extra key 4 above the keypad"),
}
for i, letter in enumerate("ABCDEFGHIJKLMNOPQRSTUVWXYZ"):
    KEYS[4 + i] = (letter, "Letter " + letter)
SHIFTED_DIGITS = "!@#$%^&*("
for i in range(9):
    KEYS[30 + i] = (str(i + 1), "%d and %s" % (i + 1, SHIFTED_DIGITS[i]))
KEYS[39] = ("0", "0 and )")
for i in range(12):
    KEYS[58 + i] = ("F%d" % (i + 1), "Function key F%d" % (i + 1))
KEYPAD_SECOND = {1: "End", 2: "Down", 3: "Page Down", 4: "Left", 5: "", 6: "Right", 7: "Home", 8: "Up", 9: "Page Up"}
for i in range(1, 10):
    second = KEYPAD_SECOND[i]
    KEYS[88 + i] = (str(i), "Keypad %d" % i + (" / " + second if second else ""))


def read_matrix():
    """code -> key index from the built-in matrix (the Fn key by code 255)."""
    text = open(KEY_INDEX_HEADER, encoding="utf-8").read()
    matrix = {}
    for column, row, code in re.findall(r"\{MatrixIndex\((\d+), (\d+)\), (\w+), \"[^\"]*\"\}", text):
        index = 6 * int(column) + int(row)
        code = FN_CODE if code == "kFnKeyReadBackCode" else int(code)
        matrix[code] = index
    if len(matrix) != 109 or matrix.get(FN_CODE) != 71:
        sys.exit("layoutgen: cannot read the key matrix from " + KEY_INDEX_HEADER)
    return matrix


class Key:
    def __init__(self, code, x, y, w=1.0, h=1.0):
        self.code, self.x, self.y, self.w, self.h = code, x, y, w, h


def row(y, x, items):
    """Keys left to right from x; an item is a code, (code, width) or a gap
    given as a float (width in units)."""
    keys = []
    for item in items:
        if isinstance(item, float):
            x += item
            continue
        code, w = item if isinstance(item, tuple) else (item, 1.0)
        keys.append(Key(code, x, y, w))
        x += w
    return keys


def tall(code, x, y):
    key = Key(code, x, y)
    key.h = 2.0
    return key


LETTERS_Q = [20, 26, 8, 21, 23, 28, 24, 12, 18, 19]   # Q W E R T Y U I O P
LETTERS_A = [4, 22, 7, 9, 10, 11, 13, 14, 15]         # A S D F G H J K L
LETTERS_Z = [29, 27, 6, 25, 5, 17, 16]                 # Z X C V B N M
DIGITS = list(range(30, 40))                           # 1 .. 0


def f_row(y, esc_x=0.0, spread=True):
    """Esc and F1-F12: the full-size spacing or the compact one."""
    if spread:
        items = [41, 1.0] + [58, 59, 60, 61] + [0.5] + [62, 63, 64, 65] + [0.5] + [66, 67, 68, 69]
    else:
        items = [41, 0.25] + [58, 59, 60, 61] + [0.25] + [62, 63, 64, 65] + [0.25] + [66, 67, 68, 69]
    return row(y, esc_x, items)


def number_row(y, first=53):
    return row(y, 0.0, [first] + DIGITS + [45, 46, (42, 2.0)])


def tab_row(y):
    return row(y, 0.0, [(43, 1.5)] + LETTERS_Q + [47, 48, (49, 1.5)])


def caps_row(y):
    return row(y, 0.0, [(57, 1.75)] + LETTERS_A + [51, 52, (40, 2.25)])


def shift_row(y, right_shift=2.75):
    return row(y, 0.0, [(225, 2.25)] + LETTERS_Z + [54, 55, 56, (229, right_shift)])


def full_bottom_row(y):
    return row(y, 0.0, [(224, 1.25), (227, 1.25), (226, 1.25), (44, 6.25), (230, 1.25), (FN_CODE, 1.25),
                        (101, 1.25), (228, 1.25)])


def compact_bottom_row(y, space=6.25):
    """Ctrl Win Alt Space Alt Fn Ctrl followed by the arrows."""
    return row(y, 0.0, [(224, 1.25), (227, 1.25), (226, 1.25), (44, space), 230, FN_CODE, 228, 80, 81, 79])


def nav_cluster(x, y_top, y_rows):
    """PrtSc block, Ins/Home/PgUp, Del/End/PgDn, the inverted-T arrows."""
    keys = row(y_top, x, [70, 71, 72])
    keys += row(y_rows[1], x, [73, 74, 75])
    keys += row(y_rows[2], x, [76, 77, 78])
    keys += row(y_rows[4], x + 1, [82])
    keys += row(y_rows[5], x, [80, 81, 79])
    return keys


def numpad(x, y_rows):
    keys = row(y_rows[1], x, [83, 84, 85, 86])
    keys += row(y_rows[2], x, [95, 96, 97]) + [tall(87, x + 3, y_rows[2])]
    keys += row(y_rows[3], x, [92, 93, 94])
    keys += row(y_rows[4], x, [89, 90, 91]) + [tall(88, x + 3, y_rows[4])]
    keys += row(y_rows[5], x, [(98, 2.0), 99])
    return keys


def full_size(extra_keys):
    y = [0.0, 1.5, 2.5, 3.5, 4.5, 5.5]
    keys = f_row(y[0]) + number_row(y[1]) + tab_row(y[2]) + caps_row(y[3]) + shift_row(y[4])
    keys += full_bottom_row(y[5]) + nav_cluster(15.25, y[0], y) + numpad(18.5, y)
    if extra_keys:
        keys += row(y[0], 18.5, [209, 210, 211, 212])
    return keys


def tenkeyless():
    y = [0.0, 1.5, 2.5, 3.5, 4.5, 5.5]
    keys = f_row(y[0]) + number_row(y[1]) + tab_row(y[2]) + caps_row(y[3]) + shift_row(y[4])
    return keys + full_bottom_row(y[5]) + nav_cluster(15.25, y[0], y)


def sixty():
    return number_row(0.0, first=41) + tab_row(1.0) + caps_row(2.0) + shift_row(3.0) + full_bottom_row(4.0)


def sixty_with_arrows():
    keys = number_row(0.0, first=41) + tab_row(1.0) + caps_row(2.0)
    keys += row(3.0, 0.0, [(225, 2.25)] + LETTERS_Z + [54, 55, (229, 1.75), 82, 56])
    keys += compact_bottom_row(4.0, space=5.25)
    return keys


def sixty_five():
    keys = row(0.0, 0.0, [41] + DIGITS + [45, 46, (42, 2.0), 53])
    keys += row(1.0, 0.0, [(43, 1.5)] + LETTERS_Q + [47, 48, (49, 1.5), 76])
    keys += row(2.0, 0.0, [(57, 1.75)] + LETTERS_A + [51, 52, (40, 2.25), 75])
    keys += row(3.0, 0.0, [(225, 2.25)] + LETTERS_Z + [54, 55, 56, (229, 1.75), 82, 78])
    keys += compact_bottom_row(4.0)
    return keys


def seventy_five(top_right, right_column):
    """Esc, F1-F12 and one key at the top right; a column of four keys to
    the right of the main block."""
    y = [0.0, 1.25, 2.25, 3.25, 4.25, 5.25]
    keys = f_row(y[0], spread=False) + row(y[0], 15.0, [top_right])
    keys += number_row(y[1]) + row(y[1], 15.0, [right_column[0]])
    keys += tab_row(y[2]) + row(y[2], 15.0, [right_column[1]])
    keys += caps_row(y[3]) + row(y[3], 15.0, [right_column[2]])
    keys += row(y[4], 0.0, [(225, 2.25)] + LETTERS_Z + [54, 55, 56, (229, 1.75), 82, right_column[3]])
    keys += compact_bottom_row(y[5])
    return keys


def compact_full(top_keys):
    """1800-style: main block, arrows tucked under the right Shift, keypad."""
    y = [0.0, 1.25, 2.25, 3.25, 4.25, 5.25]
    pad = 16.5
    keys = f_row(y[0], spread=False)
    keys += row(y[0], 20.5 - len(top_keys), top_keys)
    keys += number_row(y[1]) + tab_row(y[2]) + caps_row(y[3])
    keys += row(y[4], 0.0, [(225, 2.25)] + LETTERS_Z + [54, 55, 56, (229, 1.75), 0.25, 82])
    keys += row(y[5], 0.0, [(224, 1.25), (227, 1.25), (226, 1.25), (44, 6.25), 230, FN_CODE, 228, 0.25, 80, 81, 79])
    keys += numpad(pad, y)
    return keys


BOARDS = {
    "RGB-Keyboard-104K": (full_size(False), 104),
    "RGB-Keyboard-108K": (full_size(True), 108),
    "RGB-Keyboard-87K": (tenkeyless(), 87),
    "RGB-Keyboard-61K": (sixty(), 61),
    "RGB-Keyboard-64K": (sixty_with_arrows(), 64),
    "RGB-Keyboard-68K": (sixty_five(), 68),
    "RGB-Keyboard-82K": (seventy_five(76, [74, 75, 78, 77]), 82),
    "RGB-Keyboard-82K2": (seventy_five(70, [76, 75, 78, 77]), 82),
    "RGB-Keyboard-98K": (compact_full([70, 76, 75, 78]), 98),
    "RGB-Keyboard-100K": (compact_full([70, 73, 76, 74, 75, 78]), 100),
}


def px(units):
    return int(round(units * PITCH))


def generate(name, keys, expected_count, matrix):
    if len(keys) != expected_count:
        sys.exit("layoutgen: %s has %d keys, expected %d" % (name, len(keys), expected_count))
    free = [i for i in range(1, 126) if i not in matrix.values()]
    indexes = {}
    for key in keys:
        if key.code in indexes:
            sys.exit("layoutgen: %s has code %d twice" % (name, key.code))
        indexes[key.code] = matrix[key.code] if key.code in matrix else free.pop(0)
    width_units = max(k.x + k.w for k in keys)
    height_units = max(k.y + k.h for k in keys)
    kb_width = 2 * MARGIN + px(width_units)
    kb_height = 2 * MARGIN + px(height_units)
    # Rows and columns of the drawing: keys grouped by their top edge.
    row_tops = sorted({k.y for k in keys})
    ordered = sorted(keys, key=lambda k: (row_tops.index(k.y), k.x))
    col_count = max(sum(1 for k in keys if k.y == top) for top in row_tops)
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             "<!-- Generated by tools/layoutgen/layoutgen.py; edit the generator, not this file. -->",
             '<KeyboardLayout col_count="%d" row_count="%d" kb_xpos="%d" kb_ypos="%d" kb_width="%d" '
             'kb_height="%d">' % (col_count, len(row_tops), PAGE_LEFT + (PAGE_WIDTH - kb_width) // 2,
                                  PICTURE_TOP, kb_width, kb_height),
             "<KeyItems>"]
    column_in_row = {}
    for key in ordered:
        r = row_tops.index(key.y)
        c = column_in_row.get(r, 0)
        column_in_row[r] = c + 1
        label, desc = KEYS[key.code]
        x = MARGIN + px(key.x) + GAP // 2
        y = MARGIN + px(key.y) + GAP // 2
        lines.append('<key code="%X" name=%s desc=%s key_index="%d" row_col="%d-%d" key_x="%d" key_y="%d" '
                     'key_width="%d" key_height="%d"/>'
                     % (key.code, quoteattr(label), quoteattr(desc), indexes[key.code], r, c, x, y,
                        px(key.w) - GAP, px(key.h) - GAP))
    lines += ["</KeyItems>", "</KeyboardLayout>", ""]
    return "\r\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(ROOT, "data", "layouts"))
    args = parser.parse_args()
    matrix = read_matrix()
    os.makedirs(args.out, exist_ok=True)
    for name, (keys, count) in BOARDS.items():
        text = generate(name, keys, count, matrix)
        with open(os.path.join(args.out, name + ".xml"), "w", encoding="utf-8", newline="") as out:
            out.write(text)
        print("%s: %d keys" % (name, count))


if __name__ == "__main__":
    main()
