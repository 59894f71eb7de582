#!/usr/bin/env python3
# Writes a binary application image for the simulated matrix readers' loader: a 64-byte
# lead-in, the application signature, the device-type mask with bit TYPE set, the keyword
# block, "KSTREV=NNN" (the revision the reader restarts into), and a body up to SIZE bytes.
#   app_image.py FILE TYPE REVISION [SIZE] [KEYWORD ...]
import struct
import sys

path, device_type, revision = sys.argv[1], int(sys.argv[2]), sys.argv[3]
size = int(sys.argv[4]) if len(sys.argv) > 4 else 3000
keywords = sys.argv[5:]
mask_length = (device_type + 7) // 8
mask = bytearray(mask_length)
mask[(device_type - 1) // 8] = 1 << ((device_type - 1) % 8)
image = b"\x5a" * 64 + b"MATRIXAPP\0\0\0DEVICETYPE\0\0" + struct.pack("<I", mask_length) + bytes(mask)
# The keyword block: a marker word, the count, then each keyword with its length (NUL included).
image += struct.pack("<II", 0xFFFFFFFF, len(keywords))
for keyword in keywords:
    image += struct.pack("<I", len(keyword) + 1) + keyword.encode() + b"\0"
image += b"KSTREV=" + revision.encode()
body = bytearray()
i = 0
while len(image) + len(body) < size:
    body.append((i if i % 7 == 0 else i // 64) & 255)
    i += 1
open(path, "wb").write((image + bytes(body))[:size])
