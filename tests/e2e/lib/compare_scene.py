"""compare_scene.py PICTURE.png SCENE.pgm MODE: a captured picture against the scene it showed.

MODE exact: every pixel equal; binary: equal to the scene thresholded at 128; psnr: a peak
signal-to-noise ratio of at least 30 dB (lossy JPEG). Reads 8-bit gray PNG files with the
standard library only."""
import math
import struct
import sys
import zlib


def read_png(path):
    data = open(path, 'rb').read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG file'
    at, idat, width, height = 8, b'', 0, 0
    while at < len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b'IHDR':
            width, height, depth, color = struct.unpack('>IIBB', body[:10])
            assert depth == 8 and color == 0, 'only 8-bit gray PNG files are compared'
        elif kind == b'IDAT':
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    rows, previous, stride = [], bytearray(width), width + 1
    for y in range(height):
        kind, line = raw[y * stride], bytearray(raw[y * stride + 1:(y + 1) * stride])
        for x in range(width):
            left = line[x - 1] if x else 0
            up = previous[x]
            corner = previous[x - 1] if x else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[x] = (line[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, b''.join(rows)


def read_pgm(path):
    data = open(path, 'rb').read()
    fields = data.split(maxsplit=4)
    assert fields[0] == b'P5'
    return int(fields[1]), int(fields[2]), fields[4]


picture, scene, mode = sys.argv[1], sys.argv[2], sys.argv[3]
w1, h1, got = read_png(picture)
w2, h2, want = read_pgm(scene)
assert (w1, h1) == (w2, h2), f'size {w1}x{h1}, the scene is {w2}x{h2}'
if mode == 'binary':
    want = bytes(255 if v >= 128 else 0 for v in want)
if mode == 'psnr':
    error = sum((a - b) ** 2 for a, b in zip(got, want)) / len(want)
    psnr = 99.0 if error == 0 else 10 * math.log10(255 * 255 / error)
    assert psnr >= 30, f'PSNR {psnr:.1f} dB'
else:
    differ = sum(a != b for a, b in zip(got, want))
    assert differ == 0, f'{differ} pixels differ from the scene'
