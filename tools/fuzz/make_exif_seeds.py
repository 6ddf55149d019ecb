#!/usr/bin/python3
"""Writes a small seed corpus for the EXIF fuzzer into OUTDIR: JPEG heads with
EXIF blocks in both byte orders holding every field type and the tags with
display rules of their own, plus a few damaged variants."""
import os
import struct
import sys


def block(order, ifd0, exif):
    """TIFF block: IFD0 (+ ExifOffset) and an Exif directory, data behind."""
    e = '<' if order == b'II' else '>'
    dir_size = lambda n: 2 + 12 * n + 4
    ifd0 = list(ifd0) + ([(34665, 4, 1, None)] if exif else [])
    exif_start = 8 + dir_size(len(ifd0))
    data_pos = exif_start + (dir_size(len(exif)) if exif else 0)
    out, data = bytearray(order + struct.pack(e + 'HI', 42, 8)), bytearray()
    for entries in ([ifd0, exif] if exif else [ifd0]):
        out += struct.pack(e + 'H', len(entries))
        for tag, typ, count, value in entries:
            if value is None:
                value = struct.pack(e + 'I', exif_start)
            if len(value) <= 4:
                field = value.ljust(4, b'\0')
            else:
                field = struct.pack(e + 'I', data_pos + len(data))
                data += value
            out += struct.pack(e + 'HHI', tag, typ, count) + field
        out += b'\0\0\0\0'
    return bytes(out + data)


def jpeg(tiff):
    app1 = b'Exif\0\0' + tiff
    return b'\xff\xd8\xff\xe1' + struct.pack('>H', len(app1) + 2) + app1 + b'\xff\xd9'


def entries(order):
    e = '<' if order == b'II' else '>'
    rat = lambda *p: struct.pack(e + 'I' * len(p), *p)
    srat = lambda *p: struct.pack(e + 'i' * len(p), *p)
    ifd0 = [(272, 2, 13, b'Vendrik DSLR\0'), (274, 3, 1, struct.pack(e + 'H', 6)),
            (282, 5, 1, rat(72, 1)), (318, 5, 2, rat(313, 1000, 329, 1000)),
            (306, 2, 20, b'2005:06:15 12:34:56\0')]
    exif = [(33434, 5, 1, rat(1, 125)), (33437, 5, 1, rat(28, 10)),
            (34855, 3, 1, struct.pack(e + 'H', 200)), (36864, 7, 4, b'0221'),
            (36867, 2, 20, b'2005:06:15 12:34:56\0'), (37121, 7, 4, b'\1\2\3\0'),
            (37377, 10, 1, srat(7, 1)), (37378, 5, 1, rat(297, 100)),
            (37379, 10, 1, srat(-2147483648, -1)), (37380, 10, 1, srat(-1, 3)),
            (37383, 8, 1, struct.pack(e + 'h', -2)), (37384, 9, 1, srat(-70000)),
            (37385, 6, 1, b'\xff'), (37386, 5, 1, rat(50, 0)),
            (37500, 7, 12, b'Nikon\0\x02\x10\0\0MM'), (37510, 7, 10, b'ASCII\0\0\0Hi'),
            (40960, 7, 4, b'0100'), (41728, 7, 1, b'\3'), (41985, 11, 1, rat(1)),
            (41986, 12, 1, rat(1, 2))]
    return ifd0, exif


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    seeds = {}
    for order in (b'II', b'MM'):
        ifd0, exif = entries(order)
        name = order.decode()
        seeds[f'full-{name}'] = jpeg(block(order, ifd0, exif))
        seeds[f'ifd0-only-{name}'] = jpeg(block(order, ifd0, []))
        damaged = bytearray(seeds[f'full-{name}'])
        damaged[20:22] = b'\xff\xff'  # IFD0 entry count
        seeds[f'count-ffff-{name}'] = bytes(damaged)
        seeds[f'truncated-{name}'] = seeds[f'full-{name}'][:90]
    seeds['late-signature'] = b'\xff' * 4091 + b'Exif\0'
    seeds['no-exif'] = b'\x89PNG\r\n\x1a\n'
    for name, data in seeds.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)


main()
