#!/usr/bin/python3
"""Writes the loader's test pictures into a folder, each with a reference
<name>.ref.ppm holding what the loader must return: the picture upright, with
transparency flattened onto white. References come from Pillow, an
independent decoder; JPEG references are made by djpeg in the test itself."""
import struct
import sys

from PIL import Image

out = sys.argv[1]
import subprocess
from PIL import ImageOps
W, H = 37, 23  # odd sizes: row padding and partial bytes show


def colourful():
    img = Image.new("RGB", (W, H))
    img.putdata([((x * 7) % 256, (y * 11) % 256, (x * y * 3) % 256) for y in range(H) for x in range(W)])
    return img


def with_alpha():
    img = colourful().convert("RGBA")
    img.putalpha(Image.new("L", (W, H)))
    img.getchannel("A")
    alpha = Image.new("L", (W, H))
    alpha.putdata([(x * 255) // (W - 1) for y in range(H) for x in range(W)])
    img.putalpha(alpha)
    return img


def on_white(img):
    if img.mode in ("RGBA", "LA") or (img.mode == "P" and "transparency" in img.info):
        rgba = img.convert("RGBA")
        base = Image.new("RGBA", rgba.size, (255, 255, 255, 255))
        return Image.alpha_composite(base, rgba).convert("RGB")
    return img.convert("RGB")


def save(name, img, reference=None, **kw):
    img.save(f"{out}/{name}", **kw)
    (reference or on_white(Image.open(f"{out}/{name}"))).convert("RGB").save(f"{out}/{name}.ref.ppm")


base = colourful()
# PNG: every colour type the loader must flatten.
save("rgb.png", base)
save("grey.png", base.convert("L"))
save("palette.png", base.convert("P", palette=Image.ADAPTIVE, colors=16))
rgba = with_alpha()
save("rgba.png", rgba)
grey16 = Image.new("I;16", (W, H))
grey16.putdata([(x * 1771 + y * 300) % 65536 for y in range(H) for x in range(W)])
grey8 = Image.new("L", (W, H))
grey8.putdata([v >> 8 for v in grey16.getdata()])  # libpng keeps the high byte
save("grey16.png", grey16, reference=grey8)
pal_t = base.convert("P", palette=Image.ADAPTIVE, colors=8)
save("palette_transparent.png", pal_t, transparency=3)
# TIFF and GIF
save("rgb.tif", base)
save("rgba.tif", rgba, reference=on_white(rgba))
gif = base.convert("P", palette=Image.ADAPTIVE, colors=32)
save("plain.gif", gif)
save("transparent.gif", gif, transparency=5)
# BMP from Pillow: 1, 8 and 24 bits
save("bw.bmp", base.convert("1"))
save("grey8.bmp", base.convert("L"))
save("rgb24.bmp", base)


# BMPs Pillow does not write: 4 and 16 bits, 32 bits with masks, top-down.
def bmp(name, bits, rows_bottom_up=True, compression=0, masks=None, palette=None, encode=None):
    stride = ((W * bits + 31) // 32) * 4
    rows = []
    for y in range(H):
        row = bytearray()
        acc = 0
        nbits = 0
        for x in range(W):
            v = encode(x, y)
            if bits < 8:
                acc = (acc << bits) | v
                nbits += bits
                if nbits == 8:
                    row.append(acc)
                    acc = nbits = 0
            else:
                row += v
        if nbits:
            row.append(acc << (8 - nbits))
        row += bytes(stride - len(row))
        rows.append(bytes(row))
    if rows_bottom_up:
        rows.reverse()
    pal = b"".join(bytes((b, g, r, 0)) for (r, g, b) in (palette or []))
    mask_bytes = b"".join(struct.pack("<I", m) for m in masks) if masks else b""
    header = struct.pack("<IiiHHIIiiII", 40, W, H if rows_bottom_up else -H, 1, bits, compression,
                         stride * H, 2835, 2835, len(palette or []), 0)
    offset = 14 + len(header) + len(mask_bytes) + len(pal)
    data = b"".join(rows)
    with open(f"{out}/{name}", "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset))
        f.write(header + mask_bytes + pal + data)


ref = Image.new("RGB", (W, H))
pal16 = [((i * 16) % 256, (255 - i * 16) % 256, (i * 40) % 256) for i in range(16)]
bmp("pal4.bmp", 4, palette=pal16, encode=lambda x, y: (x + y) % 16)
ref.putdata([pal16[(x + y) % 16] for y in range(H) for x in range(W)])
ref.save(f"{out}/pal4.bmp.ref.ppm")

px = lambda x, y: ((x * 7) % 32, (y * 3) % 32, (x + y) % 32)
bmp("rgb555.bmp", 16, encode=lambda x, y: struct.pack("<H", (px(x, y)[0] << 10) | (px(x, y)[1] << 5) | px(x, y)[2]))
scale5 = lambda v: (v * 255 + 15) // 31
ref.putdata([tuple(scale5(c) for c in px(x, y)) for y in range(H) for x in range(W)])
ref.save(f"{out}/rgb555.bmp.ref.ppm")

bmp("rgb565_topdown.bmp", 16, rows_bottom_up=False, compression=3, masks=(0xF800, 0x07E0, 0x001F),
    encode=lambda x, y: struct.pack("<H", (px(x, y)[0] << 11) | ((px(x, y)[1] * 2) << 5) | px(x, y)[2]))
scale6 = lambda v: (v * 255 + 31) // 63
ref.putdata([(scale5(px(x, y)[0]), scale6(px(x, y)[1] * 2), scale5(px(x, y)[2])) for y in range(H) for x in range(W)])
ref.save(f"{out}/rgb565_topdown.bmp.ref.ppm")

c = base.load()
bmp("bgrx32.bmp", 32, encode=lambda x, y: bytes((c[x, y][2], c[x, y][1], c[x, y][0], 0x55)))
base.save(f"{out}/bgrx32.bmp.ref.ppm")
bmp("rgba32_bitfields.bmp", 32, compression=3, masks=(0x000000FF, 0x0000FF00, 0x00FF0000),
    encode=lambda x, y: bytes((c[x, y][0], c[x, y][1], c[x, y][2], 0)))
base.save(f"{out}/rgba32_bitfields.bmp.ref.ppm")


# Interlaced PNG (Adam7), which Pillow does not write.
subprocess.run(["/usr/bin/convert", f"{out}/rgb.png", "-interlace", "PNG", f"{out}/interlaced.png"], check=True)
base.save(f"{out}/interlaced.png.ref.ppm")

# JPEGs with each EXIF orientation; the reference is Pillow's upright view.
photo = colourful().resize((W * 4, H * 3))
for o in range(1, 9):
    exif = Image.Exif()
    exif[0x0112] = o
    name = f"orient{o}.jpg"
    photo.save(f"{out}/{name}", quality=95, subsampling=0, exif=exif.tobytes())
    ImageOps.exif_transpose(Image.open(f"{out}/{name}")).convert("RGB").save(f"{out}/{name}.ref.ppm")
# CMYK (Adobe, inverted) and grey JPEGs.
save("cmyk.jpg", photo.convert("CMYK"), quality=95)
save("grey.jpg", photo.convert("L"), quality=95)
