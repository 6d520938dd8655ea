#!/usr/bin/env python3
"""make-files.py OUT -- writes small files that cost a reader far more than their size: headers that ask
for the largest pictures, compressed chunks that inflate to hundreds of megabytes, thousands of pages or
frames. Each is a valid (or nearly valid) file of its format, made here byte by byte; nothing is fetched.
check.sh runs every one of them through the image tool and measures its time and memory."""
import os
import struct
import sys
import zlib


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, depth, colour, interlace, chunks):
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace)
    return b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + b"".join(chunks) + png_chunk(b"IEND", b"")


def deflated_zeros(size):
    """zlib data that inflates to `size` zero bytes, made a block at a time."""
    z = zlib.compressobj(9)
    block = bytes(1 << 20)
    parts = [z.compress(block) for _ in range(size >> 20)]
    parts.append(z.flush())
    return b"".join(parts)


def png_text_bomb():
    """A 16x16 gray picture whose compressed text chunk inflates to 512 MiB."""
    rows = b"".join(b"\x00" + bytes(range(16)) for _ in range(16))
    text = png_chunk(b"zTXt", b"Comment\x00\x00" + deflated_zeros(512 << 20))
    return png(16, 16, 8, 0, 0, [text, png_chunk(b"IDAT", zlib.compress(rows))])


def gif_lzw_constant(colour, pixels, min_code=2):
    """LZW codes of `pixels` pixels of one colour, as an encoder writes them: each code one pixel longer
    than the one before, a clear code when the table is full."""
    clear, end = 1 << min_code, (1 << min_code) + 1
    codes = [clear]
    width, next_code, longest = min_code + 1, end + 1, 1
    left = pixels
    while left > 0:
        length = min(longest, left)
        codes.append((colour, width) if length == 1 else (end + length - 1, width))
        left -= length
        if left > 0:
            if next_code == 4096:
                codes.append((clear, width))
                width, next_code, longest = min_code + 1, end + 1, 1
                continue
            longest = length + 1 if length == longest else longest
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
    codes.append((end, width))
    out, acc, bits = bytearray([min_code]), 0, 0
    data = bytearray()
    for item in codes:
        code, size = (item, min_code + 1) if isinstance(item, int) else item
        acc |= code << bits
        bits += size
        while bits >= 8:
            data.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        data.append(acc & 0xFF)
    for at in range(0, len(data), 255):
        chunk = data[at:at + 255]
        out += bytes([len(chunk)]) + chunk
    return bytes(out + b"\x00")


def gif(width, height, frames, control=True, delay=10, frame_size=None):
    """An animation of `frames` frames of one colour each (the colours in turn) on a 4-colour screen."""
    fw, fh = frame_size or (width, height)
    out = bytearray(b"GIF89a" + struct.pack("<HHBBB", width, height, 0x81, 0, 0))
    out += bytes([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255])
    if frames > 1:  # loop for ever
        out += b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    for i in range(frames):
        if control:
            out += b"\x21\xf9\x04" + struct.pack("<BHB", 0, delay, 0) + b"\x00"
        out += b"\x2c" + struct.pack("<HHHHB", 0, 0, fw, fh, 0)
        out += gif_lzw_constant(i % 4, fw * fh)
    return bytes(out + b"\x3b")


def tiff_pages(count):
    """A little-endian TIFF of `count` directories, each a 1x1 gray page."""
    out = bytearray(b"II*\x00" + struct.pack("<I", 8))
    for i in range(count):
        at = len(out)
        entries = [(256, 3, 1, 1), (257, 3, 1, 1), (258, 3, 1, 8), (259, 3, 1, 1), (262, 3, 1, 1),
                   (273, 4, 1, 0), (277, 3, 1, 1), (278, 3, 1, 1), (279, 4, 1, 1)]
        size = 2 + 12 * len(entries) + 4
        pixel = at + size
        directory = struct.pack("<H", len(entries))
        for tag, kind, n, value in entries:
            value = pixel if tag == 273 else value
            directory += struct.pack("<HHI", tag, kind, n) + (struct.pack("<HH", value, 0) if kind == 3 else
                                                             struct.pack("<I", value))
        following = pixel + 2 if i + 1 < count else 0
        out += directory + struct.pack("<I", following) + bytes([i & 0xFF, 0])
    return bytes(out)


def pic(width, height, packets, data):
    head = bytearray(104)
    head[0:4] = bytes([0x53, 0x80, 0xF6, 0x34])
    head[88:92] = b"PICT"
    head[92:96] = struct.pack(">HH", width, height)
    chain = b""
    for i, (kind, mask) in enumerate(packets):
        chain += bytes([1 if i + 1 < len(packets) else 0, 8, kind, mask])
    return bytes(head) + chain + data


def bmp_tall(width, height):
    """A 24-bit BMP of `height` rows, each row a shade of its own."""
    stride = (width * 3 + 3) & ~3
    pixels = b"".join(bytes([y & 0xFF, 0, 0] * width).ljust(stride, b"\x00") for y in range(height))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + len(pixels), 0, 0, 54) + info + pixels


FILES = {
    # A compressed text chunk the reader has no use for, inflating to 512 MiB.
    "text-chunk-of-512-mib.png": png_text_bomb,
    # An interlaced two-colour picture of the largest size, with no data at all.
    "interlaced-32767-square-no-data.png":
        lambda: png(32767, 32767, 1, 0, 1, [png_chunk(b"IDAT", zlib.compress(b""))]),
    # 1000 frames of 1280x800, each one colour.
    "animation-1000-frames-1280x800.gif": lambda: gif(1280, 800, 1000),
    # 260 frames of one pixel on a 4096x4096 screen.
    "animation-260-frames-on-4096-square.gif": lambda: gif(4096, 4096, 260, frame_size=(1, 1)),
    # 3000 pages of one pixel.
    "tiff-3000-pages.tif": lambda: tiff_pages(3000),
    # Six packets of no channels and one of alpha, runs of 255 pixels: rows cost the reader, not the file.
    "pic-packets-without-channels.pic":
        lambda: pic(18000, 18000, [(0, 0)] * 6 + [(1, 0x10)], bytes([255, 7]) * 120000),
    # Taller than 10,000 rows: a decode in steps of a few rows sees its progress stand still for a while.
    "bmp-1x30000.bmp": lambda: bmp_tall(1, 30000),
}


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, make in FILES.items():
        path = os.path.join(out, name)
        if not os.path.exists(path):
            with open(path, "wb") as f:
                f.write(make())


if __name__ == "__main__":
    main()
