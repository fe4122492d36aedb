#!/usr/bin/python3
"""Makes the small TIFF fixtures of this folder with libtiff's tiffcp from
plain TIFFs written here, and their expected pixels (binary PPM) with
ImageMagick, cross-checked against libtiff's tiff2rgba. Run from this folder;
needs python3-pil, libtiff-tools and imagemagick."""
import os, random, struct, subprocess, tempfile

random.seed(8)
TMP = tempfile.mkdtemp()


def plain_tiff(path, width, height, spp, bits, photometric, rows, colormap=None, big_endian=False):
    """An uncompressed TIFF with only baseline tags, rows given as packed bytes."""
    e = '>' if big_endian else '<'
    data = b''.join(rows)
    entries = []  # (tag, type, values)
    entries.append((256, 4, [width]))
    entries.append((257, 4, [height]))
    entries.append((258, 3, [bits] * spp))
    entries.append((259, 3, [1]))
    entries.append((262, 3, [photometric]))
    entries.append((273, 4, [8]))
    entries.append((277, 3, [spp]))
    entries.append((278, 4, [height]))
    entries.append((279, 4, [len(data)]))
    if colormap:
        entries.append((320, 3, colormap))
    out = bytearray((b'MM' if big_endian else b'II') + struct.pack(e + 'HI', 42, 0))
    out += data
    if len(out) % 2: out += b'\0'
    offsets = {}
    for tag, typ, vals in entries:
        size = len(vals) * (2 if typ == 3 else 4)
        if size > 4:
            offsets[tag] = len(out)
            out += struct.pack(e + ('H' if typ == 3 else 'I') * len(vals), *vals)
    if len(out) % 2: out += b'\0'
    ifd = len(out)
    out += struct.pack(e + 'H', len(entries))
    for tag, typ, vals in entries:
        size = len(vals) * (2 if typ == 3 else 4)
        out += struct.pack(e + 'HHI', tag, typ, len(vals))
        if size > 4:
            out += struct.pack(e + 'I', offsets[tag])
        elif typ == 3:
            out += struct.pack(e + 'HH', vals[0], vals[1] if len(vals) > 1 else 0)
        else:
            out += struct.pack(e + 'I', vals[0])
    out += struct.pack(e + 'I', 0)
    struct.pack_into(e + 'I', out, 4, ifd)
    open(path, 'wb').write(out)


def pack(samples, bits):
    acc = 0; n = 0; out = bytearray()
    for v in samples:
        acc = (acc << bits) | v; n += bits
        while n >= 8:
            n -= 8; out.append((acc >> n) & 255)
    if n: out.append((acc << (8 - n)) & 255)
    return bytes(out)


def make(name, width, height, spp, bits, photometric, sample, tiffcp_args, colormap=None, big_endian=False):
    rows = [pack([sample(x, y, s) for x in range(width) for s in range(spp)], bits) for y in range(height)]
    src = os.path.join(TMP, name + '.src.tif')
    plain_tiff(src, width, height, spp, bits, photometric, rows, colormap, big_endian)
    subprocess.run(['tiffcp'] + tiffcp_args + [src, name + '.tif'], check=True)
    ppm = subprocess.run(['convert', name + '.tif', '-depth', '8', 'ppm:-'], check=True, capture_output=True).stdout
    open(name + '.ppm', 'wb').write(ppm)
    # libtiff's own reading must agree within rounding.
    rgba = os.path.join(TMP, name + '.rgba.tif')
    subprocess.run(['tiff2rgba', '-c', 'none', name + '.tif', rgba], check=True)
    raw = subprocess.run(['convert', rgba, '-depth', '8', 'rgb:-'], check=True, capture_output=True).stdout
    pixels = ppm[ppm.index(b'255\n') + 4:]
    assert len(raw) == len(pixels), name
    assert max(abs(a - b) for a, b in zip(raw, pixels)) <= 1, name


noise = {}
def rnd(x, y, s):
    return noise.setdefault((x, y, s), random.randrange(256))

make('lzw-rgb8-strips', 37, 23, 3, 8, 2, lambda x, y, s: (x * 7 + y * 3 + s * 85) & 255, ['-c', 'lzw', '-r', '5'])
make('lzw-rgb8-noise-bigendian', 64, 64, 3, 8, 2, rnd, ['-c', 'lzw', '-B', '-r', '64'])
make('packbits-gray8', 37, 23, 1, 8, 1, lambda x, y, s: 200 if x < 20 else (x * y) & 255, ['-c', 'packbits', '-r', '4'])
make('miniswhite-1bit', 37, 23, 1, 1, 0, lambda x, y, s: (x // 3 + y // 2) & 1, ['-c', 'none'])
grey16 = lambda x, y, s: (x * 1777 + y * 901) & 0xFFFF
make('gray16-lzw', 19, 11, 1, 16, 1, grey16, ['-c', 'lzw', '-r', '3'])
cmap = [(i * 4369) & 0xFFFF for i in range(16)] + [(65535 - i * 4369) for i in range(16)] + [(i * 3000) for i in range(16)]
make('palette4-lzw', 21, 13, 1, 4, 3, lambda x, y, s: (x + 2 * y) % 16, ['-c', 'lzw'], colormap=cmap)
