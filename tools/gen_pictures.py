#!/usr/bin/python3
"""Draws every picture resource of the windows into src/ui/pictures/files/,
and the application icon (48, 128 and scalable) into packaging/icons/.

Run with Debian's Pillow (python3-pil): /usr/bin/python3 tools/gen_pictures.py
The output is deterministic, so re-running it on an unchanged script leaves
the committed files unchanged.

One soft-blue theme throughout. Pictures that lie on top of another picture
(the weather icon, the avatar frame, the menu button and the three small
buttons over the header/footer strip) take their background from the strip
as it is shown scaled in its box, so their edges blend in.
"""

import os
from PIL import Image, ImageDraw, ImageFont, ImageFilter

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "src", "ui", "pictures", "files")
ICONS = os.path.join(ROOT, "packaging", "icons")
FONT = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"
SS = 4  # supersampling factor for smooth edges

# Theme colours.
SKY_TOP = (122, 170, 222)
SKY_BOTTOM = (58, 108, 172)
PALE = (202, 225, 243)       # the record window's edit-box background
PALE_LIGHT = (236, 244, 251)
ACCENT = (20, 155, 220)      # the contact list's text colour
DEEP = (34, 84, 150)
WHITE = (255, 255, 255)
GREY = (168, 174, 182)
GREY_LIGHT = (222, 225, 229)


def font(px):
    return ImageFont.truetype(FONT, px)


def vertical_gradient(size, top, bottom):
    w, h = size
    img = Image.new("RGB", size)
    d = ImageDraw.Draw(img)
    for y in range(h):
        t = y / max(1, h - 1)
        c = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        d.line([(0, y), (w, y)], fill=c)
    return img


def horizontal_gradient(size, left, right):
    w, h = size
    img = Image.new("RGB", size)
    d = ImageDraw.Draw(img)
    for x in range(w):
        t = x / max(1, w - 1)
        c = tuple(round(a + (b - a) * t) for a, b in zip(left, right))
        d.line([(x, 0), (x, h)], fill=c)
    return img


def layer(size):
    """A transparent drawing layer at SS times the size."""
    return Image.new("RGBA", (size[0] * SS, size[1] * SS), (0, 0, 0, 0))


def flatten(background, drawing):
    """Scales a supersampled RGBA drawing down and lays it over background."""
    small = drawing.resize(background.size, Image.LANCZOS)
    out = background.convert("RGBA")
    out.alpha_composite(small)
    return out.convert("RGB")


def s(*values):
    """Scales coordinates to the supersampled layer."""
    return [v * SS for v in values]


def save_jpeg(img, name):
    img.save(os.path.join(OUT, name), "JPEG", quality=95, subsampling=0, optimize=True)


def save_gif(img, name):
    img.convert("RGB").quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE) \
        .save(os.path.join(OUT, name), "GIF", optimize=False)


# ---------------------------------------------------------------- strips

def header_strip():
    """Main window header, also its footer (379 x 127). The middle band stays
    plain: black labels lie on it in the header and a white label and the
    small buttons in the footer, so it sits at a mid tone both read on."""
    w, h = 379, 127
    img = vertical_gradient((w, h), SKY_TOP, SKY_BOTTOM)
    d = layer((w, h))
    g = ImageDraw.Draw(d)
    # Soft highlight along the top edge and a gentle wave along the bottom.
    g.rectangle(s(0, 0, w, 2), fill=(255, 255, 255, 70))
    g.ellipse(s(-80, 104, 220, 190), fill=(255, 255, 255, 28))
    g.ellipse(s(150, 110, 470, 200), fill=(255, 255, 255, 20))
    g.rectangle(s(0, h - 2, w, h), fill=(20, 60, 120, 60))
    return flatten(img, d.filter(ImageFilter.GaussianBlur(SS * 1.5)))


def shown_part(picture, box_size, rect, out_size):
    """The part of picture that lies under rect when picture is shown scaled
    to box_size, at out_size."""
    scaled = picture.resize(box_size, Image.BILINEAR)
    return scaled.crop(rect).resize(out_size, Image.BILINEAR)


def login_banner():
    """Login and about windows' banner (398 x 72): name of the program."""
    w, h = 398, 72
    img = horizontal_gradient((w, h), (70, 126, 196), (150, 196, 238))
    d = layer((w, h))
    g = ImageDraw.Draw(d)
    # Decorative bubbles on the right.
    for cx, cy, r, a in ((350, 14, 34, 40), (384, 60, 26, 34), (300, 70, 20, 26), (250, 4, 14, 22)):
        g.ellipse(s(cx - r, cy - r, cx + r, cy + r), fill=(255, 255, 255, a))
    # Address-book badge: a rounded card with a person on it.
    g.rounded_rectangle(s(16, 12, 58, 60), radius=8 * SS, fill=(255, 255, 255, 235))
    g.rectangle(s(16, 20, 21, 52), fill=ACCENT + (255,))
    g.ellipse(s(31, 20, 45, 34), fill=DEEP + (255,))
    g.pieslice(s(25, 36, 51, 62), 180, 360, fill=DEEP + (255,))
    g.rectangle(s(24, 49, 52, 52), fill=(255, 255, 255, 235))
    # Name, with a faint shadow. Kept large: the login window shows the
    # banner at two thirds of its size.
    g.text(s(73, 15), "Varelo", font=font(34 * SS), fill=(20, 50, 100, 90))
    g.text(s(71, 13), "Varelo", font=font(34 * SS), fill=WHITE + (255,))
    after_name = 71 + g.textlength("Varelo", font=font(34 * SS)) / SS + 8
    g.text(s(after_name, 27), "通讯录", font=font(22 * SS), fill=(236, 246, 255, 255))
    return flatten(img, d)


# ---------------------------------------------------------------- header pieces

def avatar_frame(header):
    """Frame behind the avatar (66 x 65), shown at 48 x 48 at (4, 0) of the
    header box (264 x 56)."""
    w, h = 66, 65
    bg = shown_part(header, (264, 56), (4, 0, 52, 48), (w, h))
    d = layer((w, h))
    g = ImageDraw.Draw(d)
    g.rounded_rectangle(s(2, 2, 64, 63), radius=9 * SS, fill=(20, 50, 100, 70))
    d = d.filter(ImageFilter.GaussianBlur(SS * 1.2))
    g = ImageDraw.Draw(d)
    g.rounded_rectangle(s(1, 1, 62, 61), radius=9 * SS, fill=WHITE + (255,))
    g.rounded_rectangle(s(4, 4, 59, 58), radius=6 * SS, fill=PALE + (255,), outline=(170, 200, 232, 255), width=SS)
    return flatten(bg, d)


def default_avatar():
    """Avatar shown before the user has one (47 x 46)."""
    w, h = 47, 46
    img = vertical_gradient((w, h), PALE_LIGHT, PALE)
    d = layer((w, h))
    g = ImageDraw.Draw(d)
    g.ellipse(s(15, 7, 32, 24), fill=(110, 160, 215, 255))
    g.ellipse(s(6, 26, 41, 62), fill=(110, 160, 215, 255))
    return flatten(img, d)


def weather_icon(header):
    """Sun with a small cloud (46 x 46), shown unscaled at (178, 0) of the
    header box."""
    w, h = 46, 46
    bg = shown_part(header, (264, 56), (178, 0, 224, 46), (w, h))
    d = layer((w, h))
    g = ImageDraw.Draw(d)
    cx, cy = 20, 19
    import math
    for k in range(8):
        a = k * math.pi / 4
        x1, y1 = cx + 11 * math.cos(a), cy + 11 * math.sin(a)
        x2, y2 = cx + 17 * math.cos(a), cy + 17 * math.sin(a)
        g.line(s(x1, y1, x2, y2), fill=(255, 214, 90, 255), width=3 * SS)
    g.ellipse(s(cx - 9, cy - 9, cx + 9, cy + 9), fill=(255, 190, 40, 255), outline=(255, 230, 140, 255), width=SS)
    # Cloud.
    for box in ((20, 27, 34, 39), (27, 22, 41, 36), (32, 28, 43, 39)):
        g.ellipse(s(*box), fill=WHITE + (250,))
    g.rectangle(s(26, 32, 38, 39), fill=WHITE + (250,))
    return flatten(bg, d)


def magnifier():
    """Search icon (24 x 24), shown at 13 x 13 inside the white search box."""
    w, h = 24, 24
    img = Image.new("RGB", (w, h), WHITE)
    d = layer((w, h))
    g = ImageDraw.Draw(d)
    g.ellipse(s(3, 3, 16, 16), outline=(110, 140, 175, 255), width=3 * SS)
    g.line(s(14.5, 14.5, 21, 21), fill=(110, 140, 175, 255), width=4 * SS)
    return flatten(img, d)


# ---------------------------------------------------------------- footer buttons

def menu_button(footer, state):
    """Menu button (40 x 40) at (2, 4) of the footer box (264 x 47): a round
    button with three bars. Hot is lighter, pressed darker and one pixel down
    and right."""
    w, h = 40, 40
    bg = shown_part(footer, (264, 47), (2, 4, 42, 44), (w, h))
    off = 1 if state == "pressed" else 0
    face = {"normal": (236, 244, 252), "hot": (255, 255, 255), "pressed": (186, 210, 236)}[state]
    bar = {"normal": DEEP, "hot": ACCENT, "pressed": (24, 64, 120)}[state]
    d = layer((w, h))
    g = ImageDraw.Draw(d)
    if state != "pressed":
        g.ellipse(s(4, 5, 37, 38), fill=(10, 40, 90, 90))
        d = d.filter(ImageFilter.GaussianBlur(SS * 1.2))
        g = ImageDraw.Draw(d)
    if state == "hot":
        g.ellipse(s(1, 1, 39, 39), fill=(255, 255, 255, 90))
    g.ellipse(s(3 + off, 3 + off, 36 + off, 36 + off), fill=face + (255,),
              outline=(255, 255, 255, 255) if state != "pressed" else (120, 160, 205, 255), width=SS)
    for y in (13, 19, 25):
        g.rounded_rectangle(s(12 + off, y + off, 28 + off, y + 3 + off), radius=1.5 * SS, fill=bar + (255,))
    return flatten(bg, d)


def small_button(footer, x, glyph, state):
    """24 x 24 icon over the footer at window (x, 519), footer box (x, 11).
    Normal: pale tile, coloured glyph; hot: white tile with a glow and a
    brighter glyph; disabled: grey tile, grey glyph."""
    w, h = 24, 24
    bg = shown_part(footer, (264, 47), (x, 11, x + 24, 35), (w, h))
    tile = {"normal": (232, 241, 250), "hot": (255, 255, 255), "disabled": GREY_LIGHT}[state]
    edge = {"normal": (255, 255, 255), "hot": (255, 236, 160), "disabled": (200, 204, 210)}[state]
    d = layer((w, h))
    g = ImageDraw.Draw(d)
    if state == "hot":
        g.rounded_rectangle(s(0, 0, 24, 24), radius=6 * SS, fill=(255, 250, 210, 150))
    g.rounded_rectangle(s(1.5, 1.5, 22.5, 22.5), radius=5 * SS, fill=tile + (255,), outline=edge + (255,), width=SS)
    glyph(g, state)
    return flatten(bg, d)


def glyph_colour(state, normal, hot):
    return {"normal": normal, "hot": hot, "disabled": GREY}[state] + (255,)


def glyph_new(g, state):
    c = glyph_colour(state, (40, 150, 90), (20, 185, 100))
    g.rounded_rectangle(s(10.5, 5, 13.5, 19), radius=SS, fill=c)
    g.rounded_rectangle(s(5, 10.5, 19, 13.5), radius=SS, fill=c)


def glyph_delete(g, state):
    c = glyph_colour(state, (200, 70, 60), (235, 60, 45))
    g.line(s(7, 7, 17, 17), fill=c, width=3 * SS)
    g.line(s(17, 7, 7, 17), fill=c, width=3 * SS)


def glyph_save(g, state):
    c = glyph_colour(state, DEEP, ACCENT)
    g.rounded_rectangle(s(5, 5, 19, 19), radius=1.5 * SS, fill=c)
    g.rectangle(s(8, 6, 16, 10), fill=(255, 255, 255, 255))
    g.rectangle(s(13, 7, 15, 9), fill=c)
    g.rectangle(s(7.5, 13, 16.5, 19), fill=(255, 255, 255, 235))


# ---------------------------------------------------------------- record window

def default_photo():
    """Photo box of a contact without a photo (170 x 200)."""
    w, h = 170, 200
    img = vertical_gradient((w, h), PALE_LIGHT, PALE)
    d = layer((w, h))
    g = ImageDraw.Draw(d)
    fig = (168, 198, 230, 255)
    g.ellipse(s(55, 38, 115, 98), fill=fig)
    g.ellipse(s(20, 108, 150, 250), fill=fig)
    # A small "add" badge in the corner hints that a click adds a photo.
    g.ellipse(s(128, 10, 160, 42), fill=WHITE + (230,), outline=(150, 185, 225, 255), width=SS)
    g.rounded_rectangle(s(142.5, 18, 145.5, 34), radius=SS, fill=ACCENT + (255,))
    g.rounded_rectangle(s(136, 24.5, 152, 27.5), radius=SS, fill=ACCENT + (255,))
    return flatten(img, d)


def carrier_logo(colour, letter):
    """20 x 20 badge: a coloured disc with a white letter, on the logo box's
    back colour RGB(202,225,245)."""
    w, h = 20, 20
    img = Image.new("RGB", (w, h), (202, 225, 245))
    d = layer((w, h))
    g = ImageDraw.Draw(d)
    g.ellipse(s(1, 1, 19, 19), fill=colour + (255,))
    g.ellipse(s(1, 1, 19, 19), outline=(255, 255, 255, 150), width=SS)
    f = font(13 * SS)
    box = g.textbbox((0, 0), letter, font=f)
    tw, th = box[2] - box[0], box[3] - box[1]
    g.text(((w * SS - tw) / 2 - box[0], (h * SS - th) / 2 - box[1]), letter, font=f, fill=WHITE + (255,))
    return flatten(img, d)


# The application icon: an address book card with a person on it, over a
# rounded square in the theme's sky gradient. One list of shapes, on a
# 128-unit grid, is both drawn (the PNG sizes) and written out as SVG (the
# scalable icon), so every size shows the same picture.
ICON_GRID = 128
ICON_SHAPES = [
    # (kind, box or points, colour); "sky" is the gradient.
    ("rounded", (8, 8, 120, 120, 24), "sky"),
    ("rounded", (32, 22, 102, 108, 9), WHITE),
    ("rect", (32, 22, 44, 108), PALE),
    ("rounded", (24, 36, 40, 44, 4), DEEP),
    ("rounded", (24, 61, 40, 69, 4), DEEP),
    ("rounded", (24, 86, 40, 94, 4), DEEP),
    ("circle", (74, 52, 13), ACCENT),
    ("half_ellipse", (74, 92, 23, 18), ACCENT),
]


def hex_colour(rgb):
    return "#%02x%02x%02x" % rgb


def app_icon(size):
    """The application icon as a square RGBA image of the given size."""
    big = ICON_GRID * SS
    scale = SS
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    for kind, geometry, colour in ICON_SHAPES:
        mask = Image.new("L", (big, big), 0)
        m = ImageDraw.Draw(mask)
        if kind == "rounded":
            x0, y0, x1, y1, r = geometry
            m.rounded_rectangle(s(x0, y0, x1, y1), radius=r * scale, fill=255)
        elif kind == "rect":
            m.rectangle(s(*geometry), fill=255)
        elif kind == "circle":
            cx, cy, r = geometry
            m.ellipse(s(cx - r, cy - r, cx + r, cy + r), fill=255)
        elif kind == "half_ellipse":
            cx, cy, rx, ry = geometry
            m.pieslice(s(cx - rx, cy - ry, cx + rx, cy + ry), 180, 360, fill=255)
        if colour == "sky":
            paint = vertical_gradient((big, big), SKY_TOP, SKY_BOTTOM).convert("RGBA")
        else:
            paint = Image.new("RGBA", (big, big), colour + (255,))
        img.paste(paint, (0, 0), mask)
    return img.resize((size, size), Image.LANCZOS)


def app_icon_svg():
    """The same shapes as SVG text."""
    out = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{ICON_GRID}" height="{ICON_GRID}"'
        f' viewBox="0 0 {ICON_GRID} {ICON_GRID}">',
        "  <defs>",
        f'    <linearGradient id="sky" gradientUnits="userSpaceOnUse" x1="0" y1="0" x2="0" y2="{ICON_GRID}">',
        f'      <stop offset="0" stop-color="{hex_colour(SKY_TOP)}"/>',
        f'      <stop offset="1" stop-color="{hex_colour(SKY_BOTTOM)}"/>',
        "    </linearGradient>",
        "  </defs>",
    ]
    for kind, geometry, colour in ICON_SHAPES:
        fill = "url(#sky)" if colour == "sky" else hex_colour(colour)
        if kind == "rounded":
            x0, y0, x1, y1, r = geometry
            out.append(f'  <rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" rx="{r}" fill="{fill}"/>')
        elif kind == "rect":
            x0, y0, x1, y1 = geometry
            out.append(f'  <rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" fill="{fill}"/>')
        elif kind == "circle":
            cx, cy, r = geometry
            out.append(f'  <circle cx="{cx}" cy="{cy}" r="{r}" fill="{fill}"/>')
        elif kind == "half_ellipse":
            cx, cy, rx, ry = geometry
            out.append(f'  <path d="M{cx - rx},{cy} A{rx},{ry} 0 0 1 {cx + rx},{cy} Z" fill="{fill}"/>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


def save_icons():
    os.makedirs(ICONS, exist_ok=True)
    for size in (48, 128):
        app_icon(size).save(os.path.join(ICONS, f"varelo-{size}.png"), "PNG", optimize=True)
    with open(os.path.join(ICONS, "varelo.svg"), "w", encoding="utf-8") as f:
        f.write(app_icon_svg())


def main():
    os.makedirs(OUT, exist_ok=True)
    header = header_strip()
    save_jpeg(header, "main_header.jpg")
    save_jpeg(login_banner(), "login_banner.jpg")
    save_jpeg(avatar_frame(header), "avatar_frame.jpg")
    save_jpeg(default_avatar(), "default_avatar.jpg")
    save_jpeg(weather_icon(header), "weather_icon.jpg")
    save_gif(magnifier(), "search_icon.gif")
    for state in ("normal", "hot", "pressed"):
        save_jpeg(menu_button(header, state), f"menu_button_{state}.jpg")
    for name, x, glyph in (("new", 137, glyph_new), ("delete", 168, glyph_delete), ("save", 198, glyph_save)):
        for state in ("normal", "hot", "disabled"):
            save_gif(small_button(header, x, glyph, state), f"{name}_button_{state}.gif")
    save_jpeg(default_photo(), "default_photo.jpg")
    # Pinyin initials of the three carrier names, on colours of our own.
    save_jpeg(carrier_logo((236, 120, 40), "L"), "carrier_liantong.jpg")
    save_jpeg(carrier_logo((30, 158, 118), "Y"), "carrier_yidong.jpg")
    save_jpeg(carrier_logo((72, 92, 200), "D"), "carrier_dianxin.jpg")
    save_icons()


if __name__ == "__main__":
    main()
