#!/usr/bin/env python3
"""Checks the artwork generator's output the way the resource compiler and
the window will consume it: the icon's structure and palette, the emblem
matching the icon pixel for pixel, and the box picture's transparent key.

Runs resources/art/make_art.py into temporary folders; exits non-zero when
a check fails.
"""

import os
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
GENERATOR = os.path.join(ROOT, 'resources', 'art', 'make_art.py')
OUTPUTS = ('MAINICON.ico', 'emblem.bmp', 'box.bmp')

# The standard Windows 16-colour palette (red, green, blue), kept here
# independently of the generator so a channel or order mistake shows.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
NAVY = (0, 0, 128)


class CheckFailed(Exception):
    pass


def expect(cond, what):
    if not cond:
        raise CheckFailed(what)


def generate(outdir):
    """Runs the generator into outdir and returns {file name: bytes}."""
    run = subprocess.run([sys.executable, GENERATOR, outdir],
                         capture_output=True, text=True)
    expect(run.returncode == 0,
           'generator exited with %d: %s' % (run.returncode, run.stderr.strip()))
    names = sorted(os.listdir(outdir))
    expect(names == sorted(OUTPUTS), 'generator wrote %s' % names)
    result = {}
    for name in OUTPUTS:
        with open(os.path.join(outdir, name), 'rb') as f:
            result[name] = f.read()
    return result


def read_bmp24(data):
    """Decodes a 24-bit uncompressed BMP; returns top-down rows of (r, g, b)."""
    expect(len(data) >= 54 and data[:2] == b'BM', 'not a BMP file')
    file_size, _, _, offset = struct.unpack_from('<IHHI', data, 2)
    expect(file_size == len(data), 'BMP size field %d, file %d' % (file_size, len(data)))
    (hsize, width, height, planes, bpp, compression,
     image_size) = struct.unpack_from('<IiiHHII', data, 14)
    expect(hsize == 40, 'BMP header size %d' % hsize)
    expect(planes == 1 and bpp == 24 and compression == 0,
           'BMP planes/bpp/compression %d/%d/%d' % (planes, bpp, compression))
    expect(width > 0 and height > 0, 'BMP must be bottom-up with positive size')
    stride = (width * 3 + 3) & ~3
    expect(offset == 54, 'BMP pixel offset %d' % offset)
    expect(len(data) == offset + stride * height, 'BMP pixel data size')
    expect(image_size in (0, stride * height), 'BMP biSizeImage %d' % image_size)
    rows = []
    for y in range(height):
        base = offset + (height - 1 - y) * stride
        rows.append([(data[base + 3 * x + 2], data[base + 3 * x + 1], data[base + 3 * x])
                     for x in range(width)])
    return rows


def read_ico(data):
    """Decodes the one-image 4-bit icon; returns (palette, top-down rows of
    palette indices, top-down rows of AND-mask bits)."""
    expect(len(data) >= 22, 'icon too short')
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    expect((reserved, kind, count) == (0, 1, 1),
           'icon directory %r, want one icon image' % ((reserved, kind, count),))
    w, h, colours, res, planes, bits, size, offset = struct.unpack_from('<BBBBHHII', data, 6)
    expect((w, h, colours, res) == (32, 32, 16, 0),
           'directory entry %dx%d, %d colours' % (w, h, colours))
    expect(planes in (0, 1) and bits in (0, 4), 'directory planes/bits %d/%d' % (planes, bits))
    expect(offset == 22 and offset + size == len(data),
           'image at %d, %d bytes, file %d bytes' % (offset, size, len(data)))
    xor_bytes, and_bytes = 16 * 32, 4 * 32
    expect(size == 40 + 64 + xor_bytes + and_bytes, 'image size %d' % size)
    (hsize, bw, bh, bplanes, bbits, compression, image_size,
     _, _, used, _) = struct.unpack_from('<IiiHHIIiiII', data, offset)
    expect(hsize == 40, 'icon header size %d' % hsize)
    expect((bw, bh) == (32, 64), 'icon bitmap %dx%d, want 32x64' % (bw, bh))
    expect((bplanes, bbits, compression) == (1, 4, 0),
           'icon planes/bpp/compression %d/%d/%d' % (bplanes, bbits, compression))
    expect(used in (0, 16), 'icon biClrUsed %d' % used)
    expect(image_size in (0, xor_bytes + and_bytes), 'icon biSizeImage %d' % image_size)
    pal_at = offset + 40
    palette = [(data[pal_at + 4 * i + 2], data[pal_at + 4 * i + 1], data[pal_at + 4 * i])
               for i in range(16)]
    xor_at = pal_at + 64
    and_at = xor_at + xor_bytes
    indices, mask = [], []
    for y in range(32):
        src = 31 - y
        xrow = data[xor_at + 16 * src: xor_at + 16 * src + 16]
        arow = data[and_at + 4 * src: and_at + 4 * src + 4]
        indices.append([(xrow[x // 2] >> 4) if x % 2 == 0 else (xrow[x // 2] & 15)
                        for x in range(32)])
        mask.append([(arow[x // 8] >> (7 - x % 8)) & 1 for x in range(32)])
    return palette, indices, mask


def check_deterministic(first, second):
    for name in OUTPUTS:
        expect(first[name] == second[name], '%s differs between runs' % name)


def check_icon(files):
    palette, indices, mask = read_ico(files['MAINICON.ico'])
    expect(palette == VGA, 'palette is not the standard 16-colour palette')
    flat = [m for row in mask for m in row]
    expect(0 in flat and 1 in flat, 'icon mask must be partly opaque, partly transparent')
    # Windows draws (screen AND mask) XOR image: a non-black colour under a
    # transparent mask bit would show as inverted garbage.
    for y in range(32):
        for x in range(32):
            expect(not mask[y][x] or indices[y][x] == 0,
                   'transparent icon pixel (%d,%d) is not black' % (x, y))


def check_emblem(files):
    _, indices, mask = read_ico(files['MAINICON.ico'])
    rows = read_bmp24(files['emblem.bmp'])
    expect(len(rows) == 32 and len(rows[0]) == 32,
           'emblem is %dx%d' % (len(rows[0]), len(rows)))
    for y in range(32):
        for x in range(32):
            want = NAVY if mask[y][x] else VGA[indices[y][x]]
            expect(rows[y][x] == want,
                   'emblem pixel (%d,%d) is %r, icon shows %r' % (x, y, rows[y][x], want))


def check_box(files):
    rows = read_bmp24(files['box.bmp'])
    expect(len(rows) == 48 and len(rows[0]) == 48,
           'box is %dx%d' % (len(rows[0]), len(rows)))
    key = rows[47][0]
    border = rows[0] + rows[47] + [r[0] for r in rows] + [r[47] for r in rows]
    expect(all(p == key for p in border), 'border is not all key colour %r' % (key,))
    drawn = sum(p != key for row in rows for p in row)
    expect(drawn > 0, 'the picture is nothing but key colour')


def main():
    results = []

    def run(name, fn, *args):
        try:
            fn(*args)
            results.append(True)
            print('PASS %s' % name)
        except CheckFailed as e:
            results.append(False)
            print('FAIL %s: %s' % (name, e))

    with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
        try:
            first = generate(a)
            second = generate(b)
        except CheckFailed as e:
            print('FAIL generate: %s' % e)
            print('0 passed, 1 failed')
            return 1
    run('deterministic', check_deterministic, first, second)
    run('icon', check_icon, first)
    run('emblem', check_emblem, first)
    run('box', check_box, first)
    passed = results.count(True)
    failed = results.count(False)
    print('%d passed, %d failed' % (passed, failed))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
