#!/usr/bin/env python3
"""Draws the wizard's pictures and the progress-bar tile into res/pictures/.

Needs Pillow and the WenQuanYi Zen Hei font (Debian: apt-get install
python3-pil fonts-wqy-zenhei). The build does not run this script: the
pictures it writes are committed. Everything is drawn from geometry and fixed
sine sums, so a rerun gives the same artwork:
    python3 res/art/make_pictures.py res/pictures

    174 query.png         600x360 RGBA  banner, "checking for updates" line, clouds
    175 install.png       600x360 RGB   banner, welcome line
    176 options.png       600x365 RGBA  light-grey page, white strip at the bottom
    177 progress.png      600x360 RGBA  banner, gear emblem, two-line text
    178 progress_alt.png  600x360 RGB   banner, shield with a USB key, two-line text
    180 update.png        420x220 RGB   banner, the question whether to update
    148 bar_pattern.bmp   25x20, 256 colours: the progress bar's fill tile
"""
import math
import os
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

FONT = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"

BANK_RED = (200, 16, 46)
DARK_RED = (140, 10, 30)
WHITE = (255, 255, 255)
TEXT = (51, 51, 51)
HEADLINE = (160, 18, 40)
PAGE_GREY = (236, 238, 240)
STRIP_GREY = (243, 244, 246)
RULE_GREY = (214, 218, 222)
EMBLEM_BLUE = (32, 98, 170)

# Everything is drawn at twice the size and shrunk once: smooth edges without
# a per-shape anti-aliasing pass.
SCALE = 2


def font(size):
    return ImageFont.truetype(FONT, size * SCALE)


def s(*values):
    """Picture coordinates to drawing coordinates."""
    return [round(v * SCALE) for v in values]


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def ridge(width, base, waves):
    """Mountain outline: a base height plus a fixed sum of sines."""
    points = []
    for x in range(0, width + 1, 2):
        y = base + sum(a * math.sin(f * x / width * 2 * math.pi + p) for a, f, p in waves)
        points.append((x, y))
    return points


def draw_cloud(draw, cx, cy, size, colour):
    for dx, dy, r in ((-1.0, 0.15, 0.55), (-0.35, -0.25, 0.7), (0.4, -0.1, 0.6), (1.0, 0.2, 0.45),
                      (0.0, 0.25, 0.6)):
        x, y, rr = cx + dx * size, cy + dy * size, r * size
        draw.ellipse(s(x - rr * 1.3, y - rr, x + rr * 1.3, y + rr), fill=colour)


def draw_logo(draw, x, y, d):
    """The bank's mark: a red disc with a white moor peak over a white band."""
    draw.ellipse(s(x, y, x + d, y + d), fill=BANK_RED, outline=WHITE, width=SCALE * 2)
    peak = [(x + d * 0.18, y + d * 0.66), (x + d * 0.42, y + d * 0.28), (x + d * 0.55, y + d * 0.46),
            (x + d * 0.64, y + d * 0.36), (x + d * 0.84, y + d * 0.66)]
    draw.polygon([tuple(s(px, py)) for px, py in peak], fill=WHITE)
    draw.rectangle(s(x + d * 0.2, y + d * 0.72, x + d * 0.8, y + d * 0.78), fill=WHITE)


def draw_banner(img, width, height):
    """Sky with clouds, three mountain ranges, the bank's logo and name, a red rule."""
    draw = ImageDraw.Draw(img)
    top, horizon = (58, 126, 196), (200, 226, 245)
    for y in range(height * SCALE):
        draw.line([(0, y), (width * SCALE, y)], fill=lerp(top, horizon, y / (height * SCALE)))
    for cx, cy, size in ((width * 0.62, height * 0.28, height * 0.12), (width * 0.86, height * 0.18, height * 0.09),
                         (width * 0.45, height * 0.14, height * 0.07)):
        draw_cloud(draw, cx, cy, size, (238, 245, 252))
    ranges = (
        ((160, 188, 214), 0.62, ((6, 1.3, 0.4), (3, 3.1, 1.9), (2, 7.0, 0.7))),
        ((104, 142, 170), 0.74, ((5, 1.9, 2.2), (3, 4.3, 0.3), (1.5, 9.0, 1.1))),
        ((58, 110, 96), 0.86, ((4, 1.1, 4.0), (2.5, 3.7, 2.6), (1, 11.0, 0.2))),
    )
    for colour, base, waves in ranges:
        outline = ridge(width, height * base, [(a * height / 96, f, p) for a, f, p in waves])
        polygon = [tuple(s(x, y)) for x, y in outline] + [tuple(s(width, height)), tuple(s(0, height))]
        draw.polygon(polygon, fill=colour)

    d = height * 0.5
    lx, ly = width * 0.04, height * 0.2
    draw_logo(draw, lx, ly, d)
    name_size = round(height * 0.3)
    tx = lx + d + height * 0.12
    name = font(name_size)
    draw.text(s(tx + 1.5, ly + d * 0.02 + 1.5), "Aldmoor银行", font=name, fill=(30, 50, 80))
    draw.text(s(tx, ly + d * 0.02), "Aldmoor银行", font=name, fill=WHITE)
    small = font(max(9, round(height * 0.11)))
    draw.text(s(tx + 1, ly + d * 0.02 + name_size * 1.12), "ALDMOOR BANK  网上银行", font=small, fill=WHITE)

    rule = max(3, round(height * 0.04))
    draw.rectangle(s(0, height, width, height + rule), fill=BANK_RED)
    draw.rectangle(s(0, height + rule, width, height + rule + 1), fill=DARK_RED)
    return height + rule + 1


def draw_bottom_strip(draw, width, height, top):
    draw.rectangle(s(0, top, width, height), fill=STRIP_GREY)
    draw.rectangle(s(0, top, width, top + 1), fill=RULE_GREY)


def draw_gear(draw, cx, cy, r):
    teeth = 10
    points = []
    for i in range(teeth * 4):
        a = i / (teeth * 4) * 2 * math.pi
        rr = r if (i % 4) in (0, 1) else r * 0.78
        points.append(tuple(s(cx + rr * math.cos(a), cy + rr * math.sin(a))))
    draw.polygon(points, fill=BANK_RED)
    draw.ellipse(s(cx - r * 0.5, cy - r * 0.5, cx + r * 0.5, cy + r * 0.5), fill=WHITE)
    draw.ellipse(s(cx - r * 0.3, cy - r * 0.3, cx + r * 0.3, cy + r * 0.3), fill=DARK_RED)


def draw_shield_with_key(draw, cx, cy, r):
    """A shield; on it a USB key: a body with a lanyard ring and a plug."""
    shield = []
    for i in range(41):
        t = i / 40
        y = cy - r + t * 2 * r
        half = r * 0.85 if t < 0.5 else r * 0.85 * math.cos((t - 0.5) / 0.5 * math.pi / 2)
        shield.append((cx + half, y))
    shield += [(2 * cx - x, y) for x, y in reversed(shield)]
    draw.polygon([tuple(s(x, y)) for x, y in shield], fill=EMBLEM_BLUE)
    w, h = r * 0.5, r * 1.05
    draw.ellipse(s(cx - w * 0.35, cy - h * 0.78, cx + w * 0.35, cy - h * 0.48), outline=WHITE, width=SCALE * 2)
    draw.rounded_rectangle(s(cx - w / 2, cy - h * 0.5, cx + w / 2, cy + h * 0.25), radius=3 * SCALE, fill=WHITE)
    draw.rectangle(s(cx - w * 0.35, cy + h * 0.25, cx + w * 0.35, cy + h * 0.62), fill=(220, 226, 234))
    draw.rectangle(s(cx - w * 0.18, cy + h * 0.34, cx - w * 0.04, cy + h * 0.44), fill=EMBLEM_BLUE)
    draw.rectangle(s(cx + w * 0.04, cy + h * 0.34, cx + w * 0.18, cy + h * 0.44), fill=EMBLEM_BLUE)
    draw.ellipse(s(cx - w * 0.16, cy - h * 0.25, cx + w * 0.16, cy + h * 0.0), fill=BANK_RED)


def canvas(width, height, colour=WHITE):
    return Image.new("RGB", (width * SCALE, height * SCALE), colour)


def finish(img, width, height, mode):
    return img.resize((width, height), Image.LANCZOS).convert(mode)


def query_picture():
    width, height = 600, 360
    img = canvas(width, height)
    draw = ImageDraw.Draw(img)
    below = draw_banner(img, width, 96)
    for cx, cy, size in ((90, 250, 26), (300, 232, 20), (505, 258, 30), (420, 205, 14)):
        draw_cloud(draw, cx, cy, size, (234, 241, 249))
    draw.text(s(width / 2, below + 62), "正在检查网上银行安全组件的更新…", font=font(20), fill=HEADLINE, anchor="mm")
    draw_bottom_strip(draw, width, height, 292)
    return finish(img, width, height, "RGBA")


def install_picture():
    width, height = 600, 360
    img = canvas(width, height)
    draw = ImageDraw.Draw(img)
    below = draw_banner(img, width, 96)
    draw.text(s(width / 2, below + 80), "欢迎安装网上银行安全检测工具", font=font(24), fill=HEADLINE, anchor="mm")
    draw.text(s(width / 2, below + 120), "安装向导将引导您完成安装", font=font(14), fill=TEXT, anchor="mm")
    draw_bottom_strip(draw, width, height, 296)
    return finish(img, width, height, "RGB")


def options_picture():
    width, height = 600, 365
    img = canvas(width, height, PAGE_GREY)
    draw = ImageDraw.Draw(img)
    draw.rectangle(s(0, 298, width, height), fill=WHITE)
    draw.rectangle(s(0, 298, width, 299), fill=RULE_GREY)
    return finish(img, width, height, "RGBA")


def progress_picture(emblem, mode):
    width, height = 600, 360
    img = canvas(width, height)
    draw = ImageDraw.Draw(img)
    below = draw_banner(img, width, 96)
    emblem(draw, 78, below + 38, 30)
    draw.text(s(128, below + 22), "本工具检测USB Key所使用的系统环境", font=font(18), fill=HEADLINE, anchor="lm")
    draw.text(s(128, below + 52), "为您的网上转账提供安全保障", font=font(18), fill=TEXT, anchor="lm")
    draw_bottom_strip(draw, width, height, 296)
    return finish(img, width, height, mode)


def update_picture():
    width, height = 420, 220
    img = canvas(width, height)
    draw = ImageDraw.Draw(img)
    below = draw_banner(img, width, 70)
    draw.text(s(width / 2, below + 42), "是否将助手更新到最新版本？", font=font(20), fill=HEADLINE, anchor="mm")
    draw_bottom_strip(draw, width, height, 156)
    return finish(img, width, height, "RGB")


def bar_tile():
    """Light-grey edge rows; a green gradient that is saturated in the lower half."""
    edge, pale, mid, deep = (208, 212, 214), (132, 182, 138), (83, 201, 105), (6, 177, 37)
    rows = [edge]
    for i in range(9):  # rows 1..9: pale, through mid, to deep
        t = i / 8
        rows.append(lerp(pale, mid, t * 2) if t < 0.5 else lerp(mid, deep, (t - 0.5) * 2))
    rows += [deep] * 9 + [edge]
    colours = sorted(set(rows))
    palette = [c for colour in colours for c in colour]
    tile = Image.new("P", (25, len(rows)))
    tile.putpalette(palette + [0] * (768 - len(palette)))
    for y, colour in enumerate(rows):
        for x in range(25):
            tile.putpixel((x, y), colours.index(colour))
    return tile


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "res/pictures"
    os.makedirs(out, exist_ok=True)
    pictures = {
        "query.png": query_picture(),
        "install.png": install_picture(),
        "options.png": options_picture(),
        "progress.png": progress_picture(draw_gear, "RGBA"),
        "progress_alt.png": progress_picture(draw_shield_with_key, "RGB"),
        "update.png": update_picture(),
    }
    for name, img in pictures.items():
        img.save(os.path.join(out, name), optimize=True)
    tile = bar_tile()
    assert tile.size == (25, 20)
    tile.save(os.path.join(out, "bar_pattern.bmp"))


if __name__ == "__main__":
    main()
