#!/usr/bin/python3
"""Writes colour-managed test pictures into a folder.

display-p3.icc is a Display P3 profile (P3 primaries, D65, the sRGB tone
curve) built with Little CMS, as phones embed it; srgb-unnamed.icc is sRGB
built the same way under another description. Each picture holds the same
pixels as plain.png (a photograph-like pattern with saturated corners); the
name says which profile is embedded:

  p3.jpg p3.png p3.tif   Display P3 (JPEG: quality 95, 4:4:4)
  srgb.jpg srgb.png      the sRGB profile of icc-profiles-free
  plain.jpg plain.png    no profile
  grey-gamma.png         a grey picture with a grey profile
  grey-gamma.jpg         the same as a grey JPEG
  p3-chunked.jpg         the P3 profile split over three APP2 chunks

Hostile ones, each a picture whose profile must be ignored with a note:

  overflow.icc           sRGB primaries, but a tone curve (CIE 122, gamma 100
                         over a slope of 30000) that overflows to infinity
  overflow.jpg .png .tif .webp
                         a dark picture carrying overflow.icc
  grey-on-colour.jpg .tif .webp
                         a colour picture carrying a grey profile

Usage: make_colour_pictures.py FOLDER [WIDTH HEIGHT]
"""
import ctypes
import io
import math
import struct
import sys

from PIL import Image

SRGB_ICC = "/usr/share/color/icc/sRGB.icc"
GREY_ICC = "/usr/share/color/icc/Gray.icc"


P3_PRIMARIES = ((0.680, 0.320), (0.265, 0.690), (0.150, 0.060))
SRGB_PRIMARIES = ((0.640, 0.330), (0.300, 0.600), (0.150, 0.060))


# The sRGB curve as IEC 61966-2-1 gives it: parametric type 4.
SRGB_CURVE = (4, (2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045))
# Y = (30000 X)^100: infinite for every X above 1/30000.
OVERFLOWING_CURVE = (2, (100.0, 30000.0, 0.0))


def rgb_profile(path, primaries, description, curve_type=SRGB_CURVE):
    lcms = ctypes.CDLL("liblcms2.so.2")

    class XyY(ctypes.Structure):
        _fields_ = [("x", ctypes.c_double), ("y", ctypes.c_double), ("Y", ctypes.c_double)]

    class Triple(ctypes.Structure):
        _fields_ = [("red", XyY), ("green", XyY), ("blue", XyY)]

    white = XyY(0.3127, 0.3290, 1.0)
    primaries = Triple(*(XyY(x, y, 1.0) for x, y in primaries))
    kind, values = curve_type
    params = (ctypes.c_double * len(values))(*values)
    lcms.cmsBuildParametricToneCurve.restype = ctypes.c_void_p
    curve = lcms.cmsBuildParametricToneCurve(None, kind, params)
    curves = (ctypes.c_void_p * 3)(curve, curve, curve)
    lcms.cmsCreateRGBProfile.restype = ctypes.c_void_p
    profile = ctypes.c_void_p(lcms.cmsCreateRGBProfile(ctypes.byref(white), ctypes.byref(primaries), curves))
    lcms.cmsMLUalloc.restype = ctypes.c_void_p
    mlu = ctypes.c_void_p(lcms.cmsMLUalloc(None, 1))
    lcms.cmsMLUsetASCII(mlu, b"en", b"US", description)
    lcms.cmsWriteTag(profile, 0x64657363, mlu)  # 'desc'
    if not lcms.cmsSaveProfileToFile(profile, path.encode()):
        raise SystemExit("cannot write " + path)


def pattern(w, h):
    img = Image.new("RGB", (w, h))
    px = img.load()
    for y in range(h):
        for x in range(w):
            # Smooth gradients with some texture, and saturated primaries in
            # the corners where P3 and sRGB differ most.
            r = int(127 + 120 * math.sin(x / 23.0 + y / 41.0))
            g = int(127 + 120 * math.sin(y / 17.0 + 1.3))
            b = int(127 + 120 * math.cos((x + y) / 31.0))
            if x < w // 6 and y < h // 6:
                r, g, b = 240, 20, 20
            elif x >= w - w // 6 and y < h // 6:
                r, g, b = 20, 230, 30
            elif x < w // 6 and y >= h - h // 6:
                r, g, b = 25, 30, 235
            px[x, y] = (r, g, b)
    return img


def chunked_jpeg(jpeg, profile, parts):
    """The JPEG with its APP2 profile replaced by `parts` chunks, stored in
    reverse order (readers must sort them by sequence number)."""
    assert jpeg[:2] == b"\xff\xd8"
    pos, out, segments = 2, [jpeg[:2]], []
    while jpeg[pos + 1] != 0xDA:
        marker, length = jpeg[pos + 1], struct.unpack(">H", jpeg[pos + 2:pos + 4])[0]
        seg = jpeg[pos:pos + 2 + length]
        if not (marker == 0xE2 and seg[4:16] == b"ICC_PROFILE\0"):
            segments.append(seg)
        pos += 2 + length
    size = -(-len(profile) // parts)
    chunks = []
    for i in range(parts):
        data = b"ICC_PROFILE\0" + bytes([i + 1, parts]) + profile[i * size:(i + 1) * size]
        chunks.append(b"\xff\xe2" + struct.pack(">H", len(data) + 2) + data)
    out.append(segments[0])  # APP0
    out.extend(reversed(chunks))
    out.extend(segments[1:])
    out.append(jpeg[pos:])
    return b"".join(out)


def main():
    folder = sys.argv[1]
    w, h = (int(sys.argv[2]), int(sys.argv[3])) if len(sys.argv) > 3 else (192, 128)
    rgb_profile(folder + "/display-p3.icc", P3_PRIMARIES, b"Display P3")
    rgb_profile(folder + "/srgb-unnamed.icc", SRGB_PRIMARIES, b"Camera RGB")
    p3 = open(folder + "/display-p3.icc", "rb").read()
    srgb = open(SRGB_ICC, "rb").read()
    img = pattern(w, h)
    img.save(folder + "/plain.png")
    img.save(folder + "/plain.jpg", quality=95, subsampling=0)
    img.save(folder + "/p3.png", icc_profile=p3)
    img.save(folder + "/p3.jpg", quality=95, subsampling=0, icc_profile=p3)
    img.save(folder + "/p3.tif", icc_profile=p3)
    img.save(folder + "/srgb.png", icc_profile=srgb)
    img.save(folder + "/srgb.jpg", quality=95, subsampling=0, icc_profile=srgb)
    grey = open(GREY_ICC, "rb").read()
    img.convert("L").save(folder + "/grey-gamma.png", icc_profile=grey)
    img.convert("L").save(folder + "/grey-gamma.jpg", quality=95, icc_profile=grey)
    buf = io.BytesIO()
    img.save(buf, "JPEG", quality=95, subsampling=0, icc_profile=p3)
    open(folder + "/p3-chunked.jpg", "wb").write(chunked_jpeg(buf.getvalue(), p3, 3))

    rgb_profile(folder + "/overflow.icc", SRGB_PRIMARIES, b"Overflow", OVERFLOWING_CURVE)
    overflow = open(folder + "/overflow.icc", "rb").read()
    dark = Image.new("RGB", (w, h), (3, 2, 4))
    for ending, options in (("jpg", {"quality": 90}), ("png", {}), ("tif", {}),
                            ("webp", {"lossless": True})):
        dark.save(folder + "/overflow." + ending, icc_profile=overflow, **options)
        img.save(folder + "/grey-on-colour." + ending, icc_profile=grey, **options)


if __name__ == "__main__":
    main()
