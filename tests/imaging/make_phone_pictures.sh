#!/usr/bin/env bash
# Writes the HEIF, AVIF and WebP test pictures into a folder, made by
# Debian's own encoders (heif-enc, cwebp, gif2webp) from a photograph-like
# scene, with what the formats' own decoders (heif-convert, dwebp) make of
# them as references. Nothing binary is kept in the repository.
set -euo pipefail
out="$1"
cd "$out"
/usr/bin/python3 - <<'PY'
import random
from PIL import Image, ImageDraw, ImageFilter

random.seed(14)
W, H = 320, 240

def scene(w, h):
    # Smooth gradients, hard edges and fine texture, as in a photograph.
    img = Image.new("RGB", (w, h))
    img.putdata([(int(255 * x / w), int(255 * y / h), int(128 + 100 * ((x * y) % 17) / 17))
                 for y in range(h) for x in range(w)])
    d = ImageDraw.Draw(img)
    for _ in range(12):
        x, y, r = random.randrange(w), random.randrange(h), random.randrange(8, 50)
        d.ellipse((x - r, y - r, x + r, y + r),
                  fill=tuple(random.randrange(256) for _ in range(3)))
    return img.filter(ImageFilter.GaussianBlur(0.8))

img = scene(W, H)
img.save("scene.png")
# A picture taken sideways: stored landscape, EXIF Orientation 6 (turn a
# quarter clockwise to show it).
img.save("sideways.jpg", quality=95)
rgba = img.convert("RGBA")
alpha = Image.new("L", (W, H))
alpha.putdata([(x * 255) // (W - 1) for y in range(H) for x in range(W)])
rgba.putalpha(alpha)
rgba.save("alpha.png")
# Two frames; the second must not show.
frames = [scene(W, H), Image.new("RGB", (W, H), (255, 0, 0))]
frames[0].save("anim.gif", save_all=True, append_images=frames[1:], duration=100, loop=0)
PY
# Orientation 6 written by exiftool, the way cameras store it.
exiftool -q -overwrite_original -Orientation#=6 sideways.jpg

heif-enc -q 90 scene.png -o scene.heic >/dev/null
heif-enc -A -q 90 scene.png -o scene.avif >/dev/null
heif-enc -q 90 alpha.png -o alpha.heic >/dev/null
cwebp -quiet -q 90 scene.png -o scene.webp
cwebp -quiet -lossless alpha.png -o alpha.webp
cwebp -quiet -q 90 -metadata exif sideways.jpg -o sideways.webp
gif2webp -quiet anim.gif -o anim.webp

heif-convert scene.heic scene.heic.ref.png >/dev/null
heif-convert scene.avif scene.avif.ref.png >/dev/null
dwebp -quiet scene.webp -ppm -o scene.webp.ref.ppm
