#!/usr/bin/python3
"""Compares two pictures of the same size, both read as sRGB: prints the mean
and largest CIEDE2000 colour difference and the PSNR over the R, G and B
values.

Usage: colour_compare.py A B [STEP]
STEP (default 1) takes every STEP-th pixel in each direction for the colour
difference, which pure Python computes slowly; the PSNR uses every pixel.
"""
import math
import sys

from PIL import Image


def linear(c):
    c /= 255.0
    return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4


# sRGB (IEC 61966-2-1) to XYZ, D65 white.
M = ((0.4124564, 0.3575761, 0.1804375),
     (0.2126729, 0.7151522, 0.0721750),
     (0.0193339, 0.1191920, 0.9503041))
WHITE = (0.95047, 1.0, 1.08883)


def lab(rgb):
    r, g, b = (linear(float(v)) for v in rgb)
    xyz = [M[i][0] * r + M[i][1] * g + M[i][2] * b for i in range(3)]
    f = []
    for v, w in zip(xyz, WHITE):
        t = v / w
        f.append(t ** (1 / 3) if t > (6 / 29) ** 3 else t / (3 * (6 / 29) ** 2) + 4 / 29)
    return 116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2])


def de2000(p, q):
    """CIEDE2000 (Sharma, Wu, Dalal 2005), kL = kC = kH = 1."""
    L1, a1, b1 = p
    L2, a2, b2 = q
    C1, C2 = math.hypot(a1, b1), math.hypot(a2, b2)
    Cm = (C1 + C2) / 2
    G = 0.5 * (1 - math.sqrt(Cm ** 7 / (Cm ** 7 + 25 ** 7)))
    a1p, a2p = (1 + G) * a1, (1 + G) * a2
    C1p, C2p = math.hypot(a1p, b1), math.hypot(a2p, b2)
    h1p = math.degrees(math.atan2(b1, a1p)) % 360 if C1p else 0.0
    h2p = math.degrees(math.atan2(b2, a2p)) % 360 if C2p else 0.0
    dLp, dCp = L2 - L1, C2p - C1p
    if C1p * C2p == 0:
        dhp = 0.0
    elif abs(h2p - h1p) <= 180:
        dhp = h2p - h1p
    elif h2p - h1p > 180:
        dhp = h2p - h1p - 360
    else:
        dhp = h2p - h1p + 360
    dHp = 2 * math.sqrt(C1p * C2p) * math.sin(math.radians(dhp / 2))
    Lpm, Cpm = (L1 + L2) / 2, (C1p + C2p) / 2
    if C1p * C2p == 0:
        hpm = h1p + h2p
    elif abs(h1p - h2p) <= 180:
        hpm = (h1p + h2p) / 2
    elif h1p + h2p < 360:
        hpm = (h1p + h2p + 360) / 2
    else:
        hpm = (h1p + h2p - 360) / 2
    T = (1 - 0.17 * math.cos(math.radians(hpm - 30)) + 0.24 * math.cos(math.radians(2 * hpm))
         + 0.32 * math.cos(math.radians(3 * hpm + 6)) - 0.20 * math.cos(math.radians(4 * hpm - 63)))
    dtheta = 30 * math.exp(-(((hpm - 275) / 25) ** 2))
    Rc = 2 * math.sqrt(Cpm ** 7 / (Cpm ** 7 + 25 ** 7))
    Sl = 1 + 0.015 * (Lpm - 50) ** 2 / math.sqrt(20 + (Lpm - 50) ** 2)
    Sc = 1 + 0.045 * Cpm
    Sh = 1 + 0.015 * Cpm * T
    Rt = -math.sin(math.radians(2 * dtheta)) * Rc
    return math.sqrt((dLp / Sl) ** 2 + (dCp / Sc) ** 2 + (dHp / Sh) ** 2 + Rt * (dCp / Sc) * (dHp / Sh))


def main():
    a = Image.open(sys.argv[1]).convert("RGB")
    b = Image.open(sys.argv[2]).convert("RGB")
    step = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    if a.size != b.size:
        raise SystemExit("sizes differ: %s and %s" % (a.size, b.size))
    pa, pb = a.tobytes(), b.tobytes()
    se = sum((x - y) * (x - y) for x, y in zip(pa, pb))
    mse = se / len(pa)
    psnr = float("inf") if mse == 0 else 10 * math.log10(255 * 255 / mse)
    w, h = a.size
    cache = {}
    total, worst, n = 0.0, 0.0, 0
    for y in range(0, h, step):
        for x in range(0, w, step):
            i = 3 * (y * w + x)
            p, q = pa[i:i + 3], pb[i:i + 3]
            key = p + q
            d = cache.get(key)
            if d is None:
                d = cache[key] = de2000(lab(p), lab(q))
            total += d
            worst = max(worst, d)
            n += 1
    print("mean dE2000 %.3f  max dE2000 %.2f  PSNR %.2f dB  (%d x %d)" % (total / n, worst, psnr, w, h))


if __name__ == "__main__":
    main()
