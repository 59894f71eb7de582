#!/usr/bin/env python3
# Writes an Intel hex firmware image for the simulated readers' hex loader: an extended
# address record, RECORDS data records of 16 bytes (SYN bytes among them, which the loader
# must take as data; the sixth carries "KSTREV=NNN", the revision the reader reboots into)
# and the end-of-file record, with CR LF line ends.
#   hex_image.py FILE [RECORDS [REVISION]]
import sys


def line(kind, address, data):
    fields = bytes([len(data), address >> 8, address & 255, kind]) + data
    return ":" + (fields + bytes([-sum(fields) & 255])).hex().upper() + "\r\n"


path = sys.argv[1]
records = int(sys.argv[2]) if len(sys.argv) > 2 else 48
revision = int(sys.argv[3]) if len(sys.argv) > 3 else 42
text = line(4, 0, b"\x00\x01")
for i in range(records):
    data = b"KSTREV=%03d......" % revision if i == 5 else bytes([(0x16 + i) & 255]) * 16
    text += line(0, i * 16, data)
text += ":00000001FF\r\n"
open(path, "w", newline="").write(text)
