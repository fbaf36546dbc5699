#!/usr/bin/env python3
"""Draws the game's images from the pixel grids in artwork.txt.

Writes, next to this script:
  hole_empty.gif, hole_target.gif, hole_hit.gif   60 x 60 board images
  mini_empty.gif, mini_target.gif                 15 x 15 difficulty-button marks
  mini_empty@2x.gif, mini_target@2x.gif           the same, pixel-doubled
  pyokopon.ico                                    window icon, 32 x 32 and 16 x 16, 16 colours
  pyokopon-16.png, pyokopon-32.png, pyokopon-64.png   the icon for a desktop install
  pyokopon-48.png                      the 16 x 16 icon enlarged 3 times,
  pyokopon-128.png, pyokopon-256.png   the 32 x 32 icon enlarged 4 and 8 times,
                                       each pixel a sharp square block

Standard library only. The output depends on nothing but artwork.txt (no
dates, no file names or times inside the files), so running the script again
gives the same bytes; the PNG data goes through zlib at level 9, whose output
is the same for the same zlib.

Usage: draw_assets.py [--check]
  --check  writes nothing; exits 1 when a file on disk differs from what the
           artwork would give.
"""

import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

GIFS = {
    'hole_empty.gif': ('hole_empty', 60),
    'hole_target.gif': ('hole_target', 60),
    'hole_hit.gif': ('hole_hit', 60),
    'mini_empty.gif': ('mini_empty', 15),
    'mini_target.gif': ('mini_target', 15),
}
# Pixel-doubled twins, which Qt picks by their @2x names on a screen of
# twice the pixel density, so the marks stay crisp instead of being smoothed.
DOUBLED_GIFS = {
    'mini_empty@2x.gif': ('mini_empty', 15),
    'mini_target@2x.gif': ('mini_target', 15),
}
ICO = ('pyokopon.ico', [('icon32', 32), ('icon16', 16)])
# filename: (image, its size, how many times each pixel is repeated across
# and down). Software centres show an icon of 128 pixels or more, and lists
# one of 48; the pixel art is enlarged whole, so it stays as sharp as the
# window icon.
PNGS = {
    'pyokopon-16.png': ('icon16', 16, 1),
    'pyokopon-32.png': ('icon32', 32, 1),
    'pyokopon-48.png': ('icon16', 16, 3),
    'pyokopon-64.png': ('icon64', 64, 1),
    'pyokopon-128.png': ('icon32', 32, 4),
    'pyokopon-256.png': ('icon32', 32, 8),
}


class ArtError(Exception):
    pass


# ---------------------------------------------------------------- artwork text

class Palette:
    """Characters of a grid mapped to colours, in the order they were listed.

    The order is the order of the colour table in the written file, so that
    re-ordering the list is the one way to re-number the colours.
    """

    def __init__(self, name):
        self.name = name
        self.chars = []          # in listing order
        self.rgb = {}            # char -> (r, g, b), opaque colours only
        self.transparent = None  # the one char that means "no pixel", if any

    def opaque_chars(self):
        return [c for c in self.chars if c != self.transparent]

    def index(self, ch):
        return self.opaque_chars().index(ch)


class Image:
    def __init__(self, name, palette, width, height, rows):
        self.name = name
        self.palette = palette
        self.width = width
        self.height = height
        self.rows = rows  # list of strings, top row first


def parse_artwork(text):
    palettes = {}
    images = {}
    lines = text.split('\n')
    i = 0

    def fail(msg):
        raise ArtError('artwork.txt:%d: %s' % (i + 1, msg))

    while i < len(lines):
        line = lines[i].rstrip()
        if not line or line.startswith('#'):
            i += 1
            continue
        words = line.split()
        if words[0] == 'palette' and len(words) == 2:
            pal = Palette(words[1])
            if pal.name in palettes:
                fail('palette %s listed twice' % pal.name)
            i += 1
            while True:
                if i >= len(lines):
                    fail('palette %s has no end' % pal.name)
                entry = lines[i].split('#', 1)[0].split()
                i += 1
                if not entry:
                    continue
                if entry == ['end']:
                    break
                if len(entry[0]) != 1 or len(entry) < 2:
                    fail('a palette entry is: CHAR RRGGBB|transparent [name]')
                ch, value = entry[0], entry[1]
                if ch in pal.chars:
                    fail('character %r listed twice in %s' % (ch, pal.name))
                pal.chars.append(ch)
                if value == 'transparent':
                    if pal.transparent is not None:
                        fail('palette %s has two transparent characters' % pal.name)
                    pal.transparent = ch
                else:
                    if len(value) != 6:
                        fail('colour %r is not RRGGBB' % value)
                    try:
                        pal.rgb[ch] = tuple(int(value[k:k + 2], 16) for k in (0, 2, 4))
                    except ValueError:
                        fail('colour %r is not RRGGBB' % value)
            palettes[pal.name] = pal
        elif words[0] == 'image' and len(words) == 4:
            name, pal_name, size = words[1], words[2], words[3]
            if pal_name not in palettes:
                fail('image %s uses unknown palette %s' % (name, pal_name))
            try:
                width, height = (int(v) for v in size.split('x'))
            except ValueError:
                fail('image size %r is not WIDTHxHEIGHT' % size)
            pal = palettes[pal_name]
            start = i
            i += 1
            grid = []
            while True:
                if i >= len(lines):
                    fail('image %s has no end' % name)
                row = lines[i].rstrip('\r')
                i += 1
                if row == 'end':
                    break
                grid.append(row)
            if len(grid) != height:
                i = start
                fail('image %s has %d rows, not %d' % (name, len(grid), height))
            for r, row in enumerate(grid):
                if len(row) != width:
                    i = start + 1 + r
                    fail('row of %d pixels, not %d' % (len(row), width))
                for ch in row:
                    if ch not in pal.chars:
                        i = start + 1 + r
                        fail('%r is not in palette %s' % (ch, pal_name))
            if name in images:
                i = start
                fail('image %s drawn twice' % name)
            images[name] = Image(name, pal, width, height, grid)
        else:
            fail('expected "palette NAME" or "image NAME PALETTE WxH"')
    return palettes, images


def need(images, name, size):
    if name not in images:
        raise ArtError('artwork.txt has no image %s' % name)
    img = images[name]
    if (img.width, img.height) != (size, size):
        raise ArtError('image %s is %dx%d, not %dx%d'
                       % (name, img.width, img.height, size, size))
    return img


def enlarged(img, factor):
    """Every pixel repeated factor times across and down: nearest-neighbour
    enlargement, no smoothing."""
    rows = []
    for row in img.rows:
        wide = ''.join(ch * factor for ch in row)
        rows += [wide] * factor
    return Image('%s@%dx' % (img.name, factor), img.palette, img.width * factor, img.height * factor, rows)


def doubled(img):
    return enlarged(img, 2)


# ---------------------------------------------------------------------- GIF87a

def lzw_codes(pixels, min_code_size=8):
    """Variable-length LZW as a GIF decoder expects it: codes start at
    min_code_size + 1 bits, grow by one bit when the next free code no longer
    fits, stop growing at 12 bits, and the table starts over (clear code)
    once it holds 4096 entries. Yields (code, bit width) pairs."""
    clear = 1 << min_code_size
    eoi = clear + 1

    def fresh():
        return {}, eoi + 1, min_code_size + 1

    table, next_code, width = fresh()
    yield clear, width
    if not pixels:
        yield eoi, width
        return
    prefix = pixels[0]
    for k in pixels[1:]:
        key = (prefix, k)
        if key in table:
            prefix = table[key]
            continue
        yield prefix, width
        if next_code < 4096:
            table[key] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            yield clear, width
            table, next_code, width = fresh()
        prefix = k
    yield prefix, width
    yield eoi, width


def pack_codes(codes):
    out = bytearray()
    acc = 0
    nbits = 0
    for code, width in codes:
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def gif87a(img):
    pal = img.palette
    if pal.transparent is not None:
        raise ArtError('%s: a GIF87a board image cannot have transparent pixels' % img.name)
    colours = pal.opaque_chars()
    if len(colours) > 256:
        raise ArtError('palette %s has more than 256 colours' % pal.name)
    lookup = {ch: n for n, ch in enumerate(colours)}
    table = bytearray()
    for ch in colours:
        table += bytes(pal.rgb[ch])
    table += bytes(3 * (256 - len(colours)))  # unused entries: black

    out = bytearray(b'GIF87a')
    # Logical screen: global colour table of 2^(7+1) entries, 8 bits per
    # primary, background colour = the first colour of the palette.
    out += struct.pack('<HHBBB', img.width, img.height, 0xF7, 0, 0)
    out += table
    out += b','
    out += struct.pack('<HHHHB', 0, 0, img.width, img.height, 0)  # no local table, not interlaced
    pixels = [lookup[ch] for row in img.rows for ch in row]
    data = pack_codes(lzw_codes(pixels, 8))
    out.append(8)
    for start in range(0, len(data), 255):
        block = data[start:start + 255]
        out.append(len(block))
        out += block
    out.append(0)
    out += b';'
    return bytes(out)


# ------------------------------------------------------------------------- ICO

def ico_palette(pal):
    colours = pal.opaque_chars()
    if len(colours) != 16:
        raise ArtError('icon palette %s must list 16 colours, not %d' % (pal.name, len(colours)))
    return colours


def ico_image(img):
    """One BMP-in-ICO image: BITMAPINFOHEADER with doubled height, 16-entry
    palette, 4-bit XOR bitmap and 1-bit AND mask, both bottom-up with rows
    padded to 4 bytes. Transparent pixels are colour 0 with mask bit 1."""
    pal = img.palette
    colours = ico_palette(pal)
    w, h = img.width, img.height
    xor_stride = ((w * 4 + 31) // 32) * 4
    and_stride = ((w + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(img.rows):
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, ch in enumerate(row):
            if ch == pal.transparent:
                bits[x // 8] |= 0x80 >> (x % 8)
                index = 0
            else:
                index = colours.index(ch)
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += line
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    table = bytearray()
    for ch in colours:
        r, g, b = pal.rgb[ch]
        table += bytes((b, g, r, 0))
    return header + bytes(table) + bytes(xor) + bytes(mask)


def ico(imgs):
    bodies = [ico_image(img) for img in imgs]
    out = bytearray(struct.pack('<HHH', 0, 1, len(imgs)))
    offset = 6 + 16 * len(imgs)
    for img, body in zip(imgs, bodies):
        out += struct.pack('<BBBBHHII', img.width % 256, img.height % 256, 16, 0,
                           1, 4, len(body), offset)
        offset += len(body)
    for body in bodies:
        out += body
    return bytes(out)


# ------------------------------------------------------------------------- PNG

def png_chunk(kind, data):
    return (struct.pack('>I', len(data)) + kind + data
            + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))


def png_rgba(img):
    pal = img.palette
    raw = bytearray()
    for row in img.rows:
        raw.append(0)  # filter: none
        for ch in row:
            if ch == pal.transparent:
                raw += b'\0\0\0\0'
            else:
                raw += bytes(pal.rgb[ch]) + b'\xff'
    ihdr = struct.pack('>IIBBBBB', img.width, img.height, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n'
            + png_chunk(b'IHDR', ihdr)
            + png_chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + png_chunk(b'IEND', b''))


# ------------------------------------------------------------------------ main

def render(images):
    files = {}
    for filename, (name, size) in GIFS.items():
        files[filename] = gif87a(need(images, name, size))
    for filename, (name, size) in DOUBLED_GIFS.items():
        files[filename] = gif87a(doubled(need(images, name, size)))
    filename, parts = ICO
    files[filename] = ico([need(images, name, size) for name, size in parts])
    for filename, (name, size, factor) in PNGS.items():
        files[filename] = png_rgba(enlarged(need(images, name, size), factor))
    return files


def main(argv):
    check = argv[1:] == ['--check']
    if argv[1:] and not check:
        sys.stderr.write(__doc__)
        return 2
    with open(os.path.join(HERE, 'artwork.txt'), encoding='utf-8') as f:
        text = f.read()
    try:
        _, images = parse_artwork(text)
        files = render(images)
    except ArtError as e:
        sys.stderr.write('draw_assets: %s\n' % e)
        return 1
    stale = []
    for filename in sorted(files):
        path = os.path.join(HERE, filename)
        old = None
        if os.path.exists(path):
            with open(path, 'rb') as f:
                old = f.read()
        if old == files[filename]:
            continue
        stale.append(filename)
        if not check:
            with open(path, 'wb') as f:
                f.write(files[filename])
    if check:
        for filename in stale:
            sys.stderr.write('draw_assets: %s is not what artwork.txt draws\n' % filename)
        return 1 if stale else 0
    for filename in stale:
        print('wrote', filename)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
