#!/usr/bin/env python3
"""Colours in a screenshot saved as PPM (import -window root shot.ppm).

  screen_pixels.py SHOT find RRGGBB     x y width height of the pixels of that colour
  screen_pixels.py SHOT area X Y W H    the colours in that rectangle, as sorted #RRGGBB
  screen_pixels.py SHOT pixel X Y       the colour of one pixel, as #RRGGBB
  screen_pixels.py SHOT count X Y W H RRGGBB
                                        how many pixels of the rectangle have that colour
  screen_pixels.py SHOT rows X Y W H RRGGBB
                                        the rows of the rectangle wholly of that colour,
                                        counted from its top
  screen_pixels.py SHOT span X Y        left right top bottom (exclusive) of the pixels
                                        of (X, Y)'s colour in a line with it, across and down
"""
import sys


def read_ppm(path):
    with open(path, 'rb') as f:
        data = f.read()
    fields, at = [], 0
    while len(fields) < 4:  # magic, width, height, maximum; '#' starts a comment
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b'#':
            at = data.index(b'\n', at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b'P6' or fields[3] != b'255':
        sys.exit(f'{path}: not an 8-bit binary PPM')
    return int(fields[1]), int(fields[2]), data[at + 1:]


def colour(pixels, width, x, y):
    at = (y * width + x) * 3
    return '#%02X%02X%02X' % tuple(pixels[at:at + 3])


def main(shot, command, *args):
    width, height, pixels = read_ppm(shot)
    if command == 'find':
        wanted = bytes.fromhex(args[0])
        xs, ys = [], []
        for at in range(0, width * height * 3, 3):
            if pixels[at:at + 3] == wanted:
                ys.append(at // 3 // width)
                xs.append(at // 3 % width)
        if not xs:
            sys.exit(1)
        print(min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)
    elif command == 'area':
        x, y, w, h = map(int, args)
        print(' '.join(sorted({colour(pixels, width, i, j) for j in range(y, y + h) for i in range(x, x + w)})))
    elif command == 'span':
        x, y = int(args[0]), int(args[1])
        same = colour(pixels, width, x, y)
        height = len(pixels) // 3 // width
        left, right, top, bottom = x, x + 1, y, y + 1
        while left > 0 and colour(pixels, width, left - 1, y) == same:
            left -= 1
        while right < width and colour(pixels, width, right, y) == same:
            right += 1
        while top > 0 and colour(pixels, width, x, top - 1) == same:
            top -= 1
        while bottom < height and colour(pixels, width, x, bottom) == same:
            bottom += 1
        print(left, right, top, bottom)
    elif command in ('count', 'rows'):
        x, y, w, h = map(int, args[:4])
        wanted = '#' + args[4].upper()
        full = [j for j in range(h) if all(colour(pixels, width, x + i, y + j) == wanted for i in range(w))]
        if command == 'rows':
            print(' '.join(map(str, full)))
        else:
            print(sum(colour(pixels, width, x + i, y + j) == wanted for j in range(h) for i in range(w)))
    elif command == 'pixel':
        print(colour(pixels, width, int(args[0]), int(args[1])))
    else:
        sys.exit(__doc__)


if __name__ == '__main__':
    main(*sys.argv[1:])
