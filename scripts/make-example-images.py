#!/usr/bin/env python3
"""Draws the example images (examples/sample0.jpg to sample6.jpg) and the
window images (src/window/images/*.png).

Only needed to remake them; the program never runs it. Needs Pillow
(Debian: python3-pil). Usage: scripts/make-example-images.py [REPO_ROOT]
"""

import math
import random
import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFilter

SS = 3  # drawn larger, then scaled down: smooth edges without a renderer


def rgb(hex_text):
    hex_text = hex_text.lstrip("#")
    return tuple(int(hex_text[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


class Canvas:
    """A drawing at SS times the final size, in final-size coordinates."""

    def __init__(self, w, h, mode="RGB", fill=(0, 0, 0)):
        self.w, self.h = w, h
        self.img = Image.new(mode, (w * SS, h * SS), fill)
        self.d = ImageDraw.Draw(self.img)

    @staticmethod
    def _s(points):
        return [(x * SS, y * SS) for x, y in points]

    def vgradient(self, top, bottom, y0=0, y1=None):
        y1 = self.h if y1 is None else y1
        top, bottom = rgb(top), rgb(bottom)
        for y in range(int(y0 * SS), int(y1 * SS)):
            t = (y - y0 * SS) / max(1, (y1 - y0) * SS - 1)
            self.d.line([(0, y), (self.w * SS, y)], fill=mix(top, bottom, t))

    def ellipse(self, cx, cy, rx, ry, fill, outline=None, width=0):
        self.d.ellipse([(cx - rx) * SS, (cy - ry) * SS, (cx + rx) * SS, (cy + ry) * SS],
                       fill=rgb(fill) if isinstance(fill, str) else fill,
                       outline=rgb(outline) if outline else None, width=round(width * SS))

    def poly(self, points, fill):
        self.d.polygon(self._s(points), fill=rgb(fill) if isinstance(fill, str) else fill)

    def rect(self, x0, y0, x1, y1, fill, radius=0):
        self.d.rounded_rectangle([x0 * SS, y0 * SS, x1 * SS, y1 * SS], radius=radius * SS,
                                 fill=rgb(fill) if isinstance(fill, str) else fill)

    def line(self, points, fill, width):
        self.d.line(self._s(points), fill=rgb(fill) if isinstance(fill, str) else fill,
                    width=round(width * SS), joint="curve")

    def glow(self, cx, cy, r, colour, strength):
        """A soft light spot, blended over what is drawn."""
        layer = Image.new("L", self.img.size, 0)
        ImageDraw.Draw(layer).ellipse([(cx - r) * SS, (cy - r) * SS, (cx + r) * SS, (cy + r) * SS],
                                      fill=round(255 * strength))
        layer = layer.filter(ImageFilter.GaussianBlur(r * SS / 2))
        self.img.paste(Image.new("RGB", self.img.size, rgb(colour)), (0, 0), layer)

    def result(self):
        return self.img.resize((self.w, self.h), Image.LANCZOS)


def hill(c, base, waves, fill, seed=0):
    """A ridge across the picture: base height plus a few sine waves."""
    pts = [(0, c.h)]
    for i in range(0, c.w + 1, 4):
        y = base + sum(a * math.sin(i / l + p + seed) for a, l, p in waves)
        pts.append((i, y))
    pts.append((c.w, c.h))
    c.poly(pts, fill)


def wheel(c, cx, top, rx, ry, height, face, rind, shade):
    """A cheese wheel seen slightly from above."""
    c.rect(cx - rx, top, cx + rx, top + height, rind)
    c.ellipse(cx, top + height, rx, ry, shade)
    c.rect(cx - rx, top, cx + rx, top + height, rind)
    c.ellipse(cx, top, rx, ry, face)


def banner(w=960, h=240):
    c = Canvas(w, h)
    c.vgradient("#f3b97c", "#fde9c9", 0, h * 0.62)
    c.vgradient("#fde9c9", "#fde9c9", h * 0.62, h)
    c.glow(w * 0.72, h * 0.42, 70, "#fff6d8", 0.9)
    c.ellipse(w * 0.72, h * 0.42, 26, 26, "#fff3c4")
    hill(c, h * 0.55, [(10, 70, 0.3), (6, 31, 1.2)], "#c9c6a0")
    hill(c, h * 0.64, [(12, 90, 2.0), (5, 23, 0.4)], "#a9b984")
    hill(c, h * 0.74, [(14, 110, 4.1), (4, 19, 2.2)], "#7f9a62")
    rnd = random.Random(7)
    for _ in range(14):  # a few round trees on the middle slope
        x = rnd.uniform(540, w - 20)  # clear of the site name on the left
        y = h * 0.74 + 14 * math.sin(x / 110 + 4.1) + 4 * math.sin(x / 19 + 2.2) - 4
        c.rect(x - 1.2, y - 2, x + 1.2, y + 6, "#5b4a36")
        c.ellipse(x, y - 6, 7, 7, "#5f7d47")
    hill(c, h * 0.86, [(10, 150, 1.0), (3, 27, 0.2)], "#56733f")
    hill(c, h * 0.95, [(6, 200, 3.0)], "#405a31")
    return c.result()


def holes(c, rnd, box, count, rmin, rmax, colour, inside):
    x0, y0, x1, y1 = box
    placed = 0
    while placed < count:
        x, y = rnd.uniform(x0, x1), rnd.uniform(y0, y1)
        r = rnd.uniform(rmin, rmax)
        if inside(x, y, r):
            c.ellipse(x, y, r, r * 0.8, colour)
            placed += 1


def in_triangle(a):
    def sign(p1, p2, p3):
        return (p1[0] - p3[0]) * (p2[1] - p3[1]) - (p2[0] - p3[0]) * (p1[1] - p3[1])

    def test(x, y, r):
        pt = (x, y)
        d1, d2, d3 = sign(pt, a[0], a[1]), sign(pt, a[1], a[2]), sign(pt, a[2], a[0])
        neg = d1 < 0 or d2 < 0 or d3 < 0
        pos = d1 > 0 or d2 > 0 or d3 > 0
        # keep the hole away from the edges, roughly
        return not (neg and pos) and all(math.dist(pt, v) > r * 3 for v in a)

    return test


def board(c, x0, y0, x1, y1):
    c.rect(x0 + 4, y0 + 6, x1 + 4, y1 + 6, "#6e4a30", radius=10)
    c.rect(x0, y0, x1, y1, "#a87448", radius=10)
    for i in range(5):
        y = y0 + (y1 - y0) * (i + 1) / 6
        c.line([(x0 + 12, y), (x1 - 12, y + 1)], "#98663d", 1)


def sample_meule(w=320, h=200):
    c = Canvas(w, h)
    c.vgradient("#efe2c8", "#d9c29b")
    board(c, 22, 132, 300, 186)
    wheel(c, 128, 78, 92, 26, 58, "#f1d27a", "#c98a3a", "#a86f2c")
    # the cut-off wedge in front: face with holes, top slope and rind
    tri = [(190, 176), (282, 176), (282, 110)]
    c.poly([(282, 110), (294, 103), (294, 169), (282, 176)], "#b97c31")
    c.poly([(190, 176), (282, 110), (294, 103), (203, 169)], "#e9c56c")
    c.poly(tri, "#f5d98a")
    rnd = random.Random(3)
    holes(c, rnd, (220, 130, 280, 172), 6, 2.2, 4.2, "#e2bd62", in_triangle(tri))
    return c.result()


def sample_bleu(w=320, h=200):
    c = Canvas(w, h)
    c.vgradient("#c9d6df", "#eef1ef")
    c.rect(0, 150, w, h, "#d8cbb3")
    # a pear beside the wedge
    c.ellipse(250, 132, 30, 34, "#c8b04a")
    c.ellipse(250, 96, 19, 24, "#c8b04a")
    c.ellipse(244, 120, 22, 28, "#d8c35c")
    c.line([(252, 72), (258, 58)], "#6b4a2a", 3)
    c.ellipse(264, 64, 9, 4, "#7d9a4e")
    # the wedge: face, rind on top and on the back
    face = [(40, 166), (196, 166), (196, 70)]
    c.poly([(196, 70), (214, 62), (214, 160), (196, 166)], "#cfc7b4")
    c.poly([(40, 166), (196, 70), (214, 62), (60, 158)], "#e6dfcf")
    c.poly(face, "#f6f2e6")
    rnd = random.Random(11)
    inside = in_triangle(face)
    for _ in range(38):  # marbled veins: short chains of blue spots
        x, y = rnd.uniform(70, 192), rnd.uniform(96, 162)
        for _k in range(rnd.randint(2, 5)):
            r = rnd.uniform(1.2, 3.2)
            if inside(x, y, r * 0.4):
                c.ellipse(x, y, r, r * 0.8, rnd.choice(["#5d7a8c", "#48677a", "#7e95a0"]))
            x += rnd.uniform(-5, 5)
            y += rnd.uniform(-4, 4)
    return c.result()


def leaf(c, cx, cy, length, width, angle, colour, vein):
    a = math.radians(angle)
    ux, uy = math.cos(a), math.sin(a)
    vx, vy = -uy, ux
    pts = []
    for i in range(0, 41):
        t = i / 40
        s = math.sin(math.pi * t) * width * (1 - 0.25 * t)
        pts.append((cx + ux * (t - 0.5) * length + vx * s, cy + uy * (t - 0.5) * length + vy * s))
    for i in range(40, -1, -1):
        t = i / 40
        s = math.sin(math.pi * t) * width * (1 - 0.25 * t)
        pts.append((cx + ux * (t - 0.5) * length - vx * s, cy + uy * (t - 0.5) * length - vy * s))
    c.poly(pts, colour)
    c.line([(cx - ux * length * 0.5, cy - uy * length * 0.5),
            (cx + ux * length * 0.5, cy + uy * length * 0.5)], vein, 1.4)


def sample_chevre(w=320, h=200):
    c = Canvas(w, h)
    c.vgradient("#c6d3b0", "#e9eedc")
    c.ellipse(160, 150, 130, 34, "#b8c69c")
    leaf(c, 118, 138, 170, 32, -12, "#8c5a2c", "#6d4320")
    leaf(c, 200, 140, 170, 30, 16, "#a0692f", "#7a4d22")
    leaf(c, 160, 150, 180, 34, 2, "#7b7a3a", "#5d5c2b")
    wheel(c, 160, 112, 56, 18, 22, "#fbf8ef", "#ece5d3", "#d6ccb5")
    c.ellipse(146, 110, 30, 8, "#ffffff")
    rnd = random.Random(5)
    for _ in range(9):  # a sprinkle of herbs on top
        x, y = rnd.uniform(118, 202), rnd.uniform(104, 120)
        c.ellipse(x, y, 1.6, 1.0, "#6f8a4a")
    return c.result()


def sample_cave(w=320, h=200):
    c = Canvas(w, h)
    c.vgradient("#3a2a20", "#5a4332")
    # the vault: a lighter arch with a warm lamp glow
    c.rect(26, 70, 294, h, "#7b5e45")
    c.ellipse(160, 70, 134, 62, "#7b5e45")
    c.glow(160, 60, 70, "#f6c77d", 0.55)
    rnd = random.Random(9)
    for y in (96, 136, 176):
        c.rect(30, y, 290, y + 6, "#4a3222")
        x = 44
        while x < 276:
            rx = rnd.uniform(13, 18)
            tone = rnd.choice([("#e0a94a", "#b97a2c"), ("#d8934a", "#a9682c"),
                               ("#e8c27a", "#c4944a"), ("#c9a27a", "#9c7650")])
            wheel(c, x + rx, y - 18, rx, 4, 14, tone[0], tone[1], tone[1])
            x += rx * 2 + rnd.uniform(4, 8)
    return c.result()


def sample_plateau(w=320, h=200):
    c = Canvas(w, h)
    c.vgradient("#efe6d6", "#e2d4bc")
    c.ellipse(164, 130, 140, 52, "#6e4a30")
    c.ellipse(160, 124, 140, 52, "#b07d4f")
    c.ellipse(160, 124, 124, 42, "#bb8a5c")
    wheel(c, 104, 100, 40, 12, 20, "#fbf6ea", "#efe7d4", "#d8cdb4")  # soft rind
    wheel(c, 178, 114, 30, 9, 28, "#f2d27c", "#c8873b", "#a86f2c")    # pressed
    c.poly([(200, 150), (262, 150), (262, 124)], "#e6dcc6")          # blue wedge
    c.poly([(208, 146), (256, 146), (256, 128)], "#f3efe2")
    for x, y in ((236, 142), (246, 139), (250, 133), (226, 144)):
        c.ellipse(x, y, 2, 1.5, "#58758a")
    rnd = random.Random(2)
    for i in range(16):  # a bunch of grapes
        x = 70 + rnd.uniform(-12, 12) - i * 0.3
        y = 146 + i * 1.6 + rnd.uniform(-3, 3)
        c.ellipse(x, y, 7, 7, rnd.choice(["#6b3a5e", "#7d4870", "#5b2f50"]))
        c.ellipse(x - 2, y - 2, 2, 2, "#a77d9b")
    c.line([(66, 140), (56, 133)], "#5a4a2a", 2)
    return c.result()


def sample_alpage(w=320, h=200):
    c = Canvas(w, h)
    c.vgradient("#8fbbd9", "#e6f0f4", 0, 130)
    c.vgradient("#9cbf6e", "#6d9147", 120, h)
    c.poly([(0, 120), (70, 40), (130, 112), (190, 30), (270, 110), (320, 70), (320, 130), (0, 130)],
           "#8a9bb0")
    for peak, left, right in (((70, 40), (52, 62), (90, 62)), ((190, 30), (166, 58), (214, 58)),
                              ((320, 70), (300, 84), (320, 84))):
        snow = [peak, right, (peak[0] + 6, right[1] - 6), (peak[0] - 4, left[1] - 2), left]
        c.poly(snow, "#f6f8fb")
    hill(c, 128, [(6, 60, 0.5), (3, 21, 1.3)], "#a6c377")
    hill(c, 150, [(8, 90, 2.2)], "#88ad5c")
    # the chalet
    c.rect(186, 112, 244, 146, "#8a5a3b")
    c.poly([(178, 116), (215, 90), (252, 116)], "#4b3a33")
    c.rect(200, 124, 212, 136, "#f2dfb0")
    c.rect(222, 126, 234, 146, "#5a3a26")
    rnd = random.Random(4)
    for _ in range(40):  # meadow flowers
        x, y = rnd.uniform(0, w), rnd.uniform(160, h)
        c.ellipse(x, y, 1.6, 1.6, rnd.choice(["#ffffff", "#f4d35e", "#e98aa5"]))
    return c.result()


# The program's motif, in a 256 x 256 box (the same figure as corvella.svg):
# a page with a folded corner and a round orange badge holding a chain link.
# `bold` thickens the strokes and drops a text line, for pictures of a few
# dozen pixels where thin strokes would blur away.
def motif(size_w, size_h, scale, dx, dy, bold=False):
    img = Image.new("RGBA", (size_w * SS * 4, size_h * SS * 4), (0, 0, 0, 0))
    k = SS * 4 * scale
    d = ImageDraw.Draw(img)

    def p(x, y):
        return ((x + dx) * k, (y + dy) * k)

    def box(x0, y0, x1, y1):
        return [*p(x0, y0), *p(x1, y1)]

    page = [p(40, 24), p(150, 24), p(190, 64), p(190, 224), p(40, 224)]
    d.polygon(page, fill=rgb("#ffffff"), outline=rgb("#24575e"))
    d.line(page + [page[0]], fill=rgb("#24575e"), width=round((18 if bold else 10) * k),
           joint="curve")
    d.polygon([p(150, 24), p(150, 64), p(190, 64)], fill=rgb("#b9d3d6"))
    d.line([p(150, 24), p(150, 64), p(190, 64)], fill=rgb("#24575e"), width=round(8 * k),
           joint="curve")
    if bold:
        d.rounded_rectangle(box(60, 48, 136, 82), radius=6 * k, fill=rgb("#1f7a80"))
        for y, x1 in ((106, 166), (144, 150), (182, 118)):
            d.rounded_rectangle(box(60, y, x1, y + 18), radius=9 * k, fill=rgb("#7f9ea2"))
    else:
        d.rounded_rectangle(box(64, 52, 136, 76), radius=6 * k, fill=rgb("#1f7a80"))
        for y, x1 in ((96, 166), (120, 150), (144, 160), (168, 118)):
            d.rounded_rectangle(box(64, y, x1, y + 12), radius=6 * k, fill=rgb("#9fb8bb"))
    d.ellipse(box(126, 134, 242, 250), fill=rgb("#f08a24"), outline=rgb("#ffffff"),
              width=round(10 * k))
    # two interlocked links along the diagonal
    link = Image.new("RGBA", img.size, (0, 0, 0, 0))
    ld = ImageDraw.Draw(link)
    cx, cy = p(184, 192)
    for off in (-17, 17):
        ld.rounded_rectangle([cx + (off - 28) * k, cy - 14 * k, cx + (off + 28) * k, cy + 14 * k],
                             radius=14 * k, outline=(255, 255, 255, 255),
                             width=round((13 if bold else 10) * k))
    link = link.rotate(45, resample=Image.BICUBIC, center=(cx, cy))
    img.alpha_composite(link)
    return img.resize((size_w, size_h), Image.LANCZOS)


def idea_bulb(w=24, h=23):
    img = Image.new("RGBA", (w * 16, h * 16), (0, 0, 0, 0))
    k = 16
    d = ImageDraw.Draw(img)

    def box(x0, y0, x1, y1):
        return [x0 * k, y0 * k, x1 * k, y1 * k]

    for a in (-150, -115, -65, -30):  # short rays above the bulb
        r = math.radians(a)
        d.line([(12 * k + math.cos(r) * 8.3 * k, 8.5 * k + math.sin(r) * 8.3 * k),
                (12 * k + math.cos(r) * 10.8 * k, 8.5 * k + math.sin(r) * 10.8 * k)],
               fill=rgb("#f39c12"), width=round(1.8 * k))
    d.line([(12 * k, 0.2 * k), (12 * k, 2.2 * k)], fill=rgb("#f39c12"), width=round(1.8 * k))
    d.polygon([(8.6 * k, 12.5 * k), (15.4 * k, 12.5 * k), (14.2 * k, 17 * k), (9.8 * k, 17 * k)],
              fill=rgb("#f5c518"))
    d.ellipse(box(5.6, 2.4, 18.4, 15.0), fill=rgb("#ffd84a"), outline=rgb("#c98f00"),
              width=round(1.1 * k))
    d.line([(9.2 * k, 13.6 * k), (9.9 * k, 16.6 * k)], fill=rgb("#c98f00"), width=round(1.1 * k))
    d.line([(14.8 * k, 13.6 * k), (14.1 * k, 16.6 * k)], fill=rgb("#c98f00"), width=round(1.1 * k))
    d.ellipse(box(8.2, 4.6, 12.0, 8.6), fill=rgb("#fff6c8"))
    d.rounded_rectangle(box(9.3, 16.6, 14.7, 21.2), radius=1.4 * k, fill=rgb("#7d8794"))
    for y in (18.0, 19.6):
        d.line([(9.5 * k, y * k), (14.5 * k, y * k)], fill=rgb("#c3cad3"), width=round(0.7 * k))
    d.rounded_rectangle(box(10.6, 20.6, 13.4, 22.6), radius=1 * k, fill=rgb("#555e6a"))
    return img.resize((w, h), Image.LANCZOS)


def main():
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent
    examples = root / "examples"
    examples.mkdir(parents=True, exist_ok=True)
    samples = [banner, sample_meule, sample_bleu, sample_chevre, sample_cave, sample_plateau,
               sample_alpage]
    for i, make in enumerate(samples):
        make().save(examples / f"sample{i}.jpg", "JPEG", quality=86, optimize=True,
                    progressive=False)
    images = root / "src" / "window" / "images"
    images.mkdir(parents=True, exist_ok=True)
    # the figure spans about x 35..247 and y 19..250 of its box: centre it
    motif(36, 30, 30 / 256, 18 * 256 / 30 - 141, -6.5, bold=True).save(images / "picture1.png",
                                                                        optimize=True)
    motif(256, 256, 1.0, -13, -6.5).save(images / "corvella.png", optimize=True)
    idea_bulb().save(images / "idee.png", optimize=True)


if __name__ == "__main__":
    main()
