#!/usr/bin/env python3
"""Packs PNG pictures into one Windows icon file (.ico with PNG entries, as
Windows Vista and later read them): make_ico.py OUT.ico IN16.png IN32.png ..."""
import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit("not a PNG file")
    return struct.unpack(">II", data[16:24])


def main():
    out, pictures = sys.argv[1], [open(name, "rb").read() for name in sys.argv[2:]]
    header = struct.pack("<HHH", 0, 1, len(pictures))
    offset = len(header) + 16 * len(pictures)
    entries, payload = b"", b""
    for data in pictures:
        width, height = png_size(data)
        # 256 pixels are written as 0.
        entries += struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        payload += data
    with open(out, "wb") as ico:
        ico.write(header + entries + payload)


if __name__ == "__main__":
    main()
