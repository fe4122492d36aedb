#!/usr/bin/env python3
"""Writes the hand-made crash and memory-bomb fixtures of this folder.

Each file is a fault once found (by fuzzing, review or size-bomb runs); the
test that walks the folder asks only for a clean error or a valid picture.
Run from this folder: python3 make_crashers.py
"""
import struct
import zlib


def u16(v):
    return struct.pack('<H', v)


def u32(v):
    return struct.pack('<I', v)


def gif_lzw(codes, min_size):
    """Packs codes LSB first at the widths a decoder reads them."""
    clear = 1 << min_size
    width, nxt, prev = min_size + 1, clear + 2, False
    acc = n = 0
    out = bytearray()
    for c in codes:
        acc |= c << n
        n += width
        while n >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            n -= 8
        if c == clear:
            width, nxt, prev = min_size + 1, clear + 2, False
        elif c != clear + 1:
            if prev and nxt < 4096:
                nxt += 1
                if nxt >= (1 << width) and width < 12:
                    width += 1
            prev = True
    if n:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes([len(chunk)]) + chunk
    return bytes(out + b'\0')


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)
    print(f'{name}: {len(data)} bytes')


# 60 frames of 4096 x 4096, a few codes each: 3 GB of frames from 1.4 KB.
frames = bytearray(b'GIF89a' + u16(4096) + u16(4096) + bytes([0x81, 0, 0]) + bytes([0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 0]))
for i in range(60):
    frames += b'\x21\xF9\x04\x04' + u16(5) + b'\x00\x00'
    frames += b'\x2C' + u16(0) + u16(0) + u16(4096) + u16(4096) + b'\x00' + b'\x02'
    frames += sub_blocks(gif_lzw([4, 1, 2, 3, 1, 6, 7, 5], 2))
frames += b'\x3B'
write('gif-60-frames-of-4096-square.gif', bytes(frames))

# 34 bytes declaring a 16384 x 16384 frame.
tiny = b'GIF89a' + u16(16384) + u16(16384) + bytes([0x80, 0, 0]) + bytes([0, 0, 0, 255, 255, 255])
tiny += b'\x2C' + u16(0) + u16(0) + u16(16384) + u16(16384) + b'\x00' + b'\x01' + bytes([1, 0x12, 0]) + b'\x3B'
write('gif-34-bytes-16384-square.gif', tiny)

# Screen 0 x 0 around a 2 x 2 frame (the screen is rebuilt from the frames).
zero = b'GIF89a' + u16(0) + u16(0) + bytes([0x81, 0, 0]) + bytes([255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255])
zero += b'\x2C' + u16(0) + u16(0) + u16(2) + u16(2) + b'\x00' + b'\x02' + sub_blocks(gif_lzw([4, 0, 1, 2, 3, 5], 2)) + b'\x3B'
write('gif-screen-0x0.gif', zero)

# Transparent entry 0 black, opaque entry 1 black: the right half must stay visible.
px = [(0 if x < 4 else 1) if y < 2 else 2 for y in range(4) for x in range(8)]
codes = [4]
for i, v in enumerate(px):
    if i and i % 2 == 0:
        codes.append(4)  # restart often so every code stays a root
    codes.append(v)
codes.append(5)
key = b'GIF89a' + u16(8) + u16(4) + bytes([0x81, 0, 0]) + bytes([0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255])
key += b'\x21\xF9\x04\x01\x00\x00\x00\x00'
key += b'\x2C' + u16(0) + u16(0) + u16(8) + u16(4) + b'\x00' + b'\x02' + sub_blocks(gif_lzw(codes, 2)) + b'\x3B'
write('gif-key-shares-black.gif', key)

# LZW minimum code size 1 (files in the wild use it).
one = b'GIF89a' + u16(2) + u16(1) + bytes([0x80, 0, 0]) + bytes([255, 0, 0, 0, 0, 255])
one += b'\x2C' + u16(0) + u16(0) + u16(2) + u16(1) + b'\x00' + b'\x01' + sub_blocks(gif_lzw([2, 1, 0, 3], 1)) + b'\x3B'
write('gif-code-size-1.gif', one)


def bmp(width, height, bits, compression, palette, data):
    info = u32(40) + struct.pack('<ii', width, height) + u16(1) + u16(bits) + u32(compression)
    info += u32(len(data)) + u32(0) + u32(0) + u32(len(palette) // 4) + u32(0)
    offset = 14 + 40 + len(palette)
    return b'BM' + u32(offset + len(data)) + u32(0) + u32(offset) + info + palette + data


# 64 bytes of run-length data declaring 16384 x 16384.
write('bmp-rle8-64-bytes-16384-square.bmp',
      bmp(16384, 16384, 8, 1, bytes([0, 0, 0, 0]), bytes([0xFF, 0, 0, 0, 0, 1])))
# 118 bytes: a 16-colour header for 16384 x 16384 and no pixels at all.
write('bmp-118-bytes-16384-square.bmp', bmp(16384, 16384, 4, 0, bytes(64), b''))


def tiff(entries, pixels):
    """Little-endian TIFF: pixels at offset 8, then one directory."""
    ifd_at = 8 + len(pixels) + (len(pixels) & 1)
    extra = bytearray()
    extra_at = ifd_at + 2 + 12 * len(entries) + 4
    body = bytearray(u16(len(entries)))
    for tag, typ, values in entries:
        size = {3: 2, 4: 4}[typ]
        raw = b''.join(u16(v) if typ == 3 else u32(v) for v in values)
        if len(raw) <= 4:
            field = raw.ljust(4, b'\0')
        else:
            field = u32(extra_at + len(extra))
            extra += raw
        body += u16(tag) + u16(typ) + u32(len(values)) + field
    body += u32(0)
    pad = b'\0' if len(pixels) & 1 else b''
    return b'II*\0' + u32(ifd_at) + pixels + pad + bytes(body) + bytes(extra)


data = bytes([0x80, 0x00, 0x81, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66])
write('tiff-138-bytes-16384-square.tif', tiff([
    (256, 4, [16384]), (257, 4, [16384]), (258, 3, [8, 8, 8]), (259, 3, [5]), (262, 3, [2]),
    (273, 4, [8]), (277, 3, [3]), (278, 4, [16384]), (279, 4, [len(data)])], data))

# Targa, true colour with a 15-bit colour map it does not use.
tga = bytes([0, 1, 2]) + u16(0) + u16(2) + bytes([15]) + u16(0) + u16(0) + u16(2) + u16(1) + bytes([24, 0])
tga += bytes([0x00, 0x7C, 0x1F, 0x00]) + bytes([10, 20, 30, 40, 50, 60])
write('tga-15-bit-colour-map.tga', tga)


def png_chunk(kind, data):
    return u32(len(data))[::-1] + kind + data + struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF)


# A 1-bit 16384 x 16384 PNG cut after 1 KB of its image data.
row = b'\0' + bytes(2048)
idat = zlib.compress(row * 16384, 9)
png = b'\x89PNG\r\n\x1a\n' + png_chunk(b'IHDR', struct.pack('>IIBBBBB', 16384, 16384, 1, 0, 0, 0, 0))
png += png_chunk(b'IDAT', idat)[:1024]
write('png-1-bit-16384-square-cut.png', png)

# A baseline JPEG whose frame header declares 16384 x 16384, cut after its first scan header.
try:
    import io
    from PIL import Image
    small = io.BytesIO()
    Image.new('RGB', (16, 16), (200, 100, 50)).save(small, 'JPEG', quality=75)
    jpeg = bytearray(small.getvalue())
    sof = jpeg.find(b'\xFF\xC0')
    jpeg[sof + 5:sof + 9] = struct.pack('>HH', 16384, 16384)
    sos = jpeg.find(b'\xFF\xDA')
    length = struct.unpack('>H', jpeg[sos + 2:sos + 4])[0]
    write('jpeg-16384-square-cut.jpg', bytes(jpeg[:sos + 2 + length + 16]))
except ImportError:
    print('Pillow missing: the JPEG fixture is kept as it is')
