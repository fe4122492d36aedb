#!/usr/bin/python3
"""Writes the expected pixels of the BMP corpus files that have no reference
decode of their own, as 8-bit RGB PNG files under reference/<corpus path>.png.

Run with Debian's /usr/bin/python3 (Pillow) and ImageMagick installed:
    /usr/bin/python3 tests/data/bmp/make_references.py [CORPUS_DIR]
CORPUS_DIR defaults to ../shared/corpora beside the source tree.

Which oracle decodes what:
- ImageMagick (`convert FILE -depth 8 ppm:-`) by default.
- Pillow for files ImageMagick refuses only because their file-size field is
  wrong (the pixels are fine), and for pal8os2v2.bmp, whose OS/2 2.x colour
  table ImageMagick misreads (Pillow's decode equals g/pal8.bmp, as intended).
- The small bit-field decoder below for files with channels narrower than 5
  bits: ImageMagick leaves such a channel's bits at the top instead of scaling
  them to the full range (a 1-bit channel reads 128, not 255). The decoder
  scales v x 255 / max, rounded, the convention of image-rs's reference
  decodes. The script prints how far ImageMagick is from it, for the record.
"""
import io
import os
import struct
import subprocess
import sys

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, '..', '..', '..', '..', 'shared', 'corpora')
BMP = os.path.join(CORPUS, 'bmp')
OUT = os.path.join(HERE, 'reference')

IMAGEMAGICK = [
    'bmpsuite/g/' + n for n in (
        'pal1.bmp pal1bg.bmp pal1wb.bmp pal4.bmp pal4gs.bmp pal4rle.bmp pal8-0.bmp pal8.bmp pal8gs.bmp '
        'pal8nonsquare.bmp pal8os2.bmp pal8rle.bmp pal8topdown.bmp pal8v4.bmp pal8v5.bmp pal8w124.bmp '
        'pal8w125.bmp pal8w126.bmp rgb16-565.bmp rgb16-565pal.bmp rgb16.bmp rgb16bfdef.bmp rgb24.bmp '
        'rgb24pal.bmp rgb32.bmp rgb32bf.bmp rgb32bfdef.bmp').split()
] + [
    'bmpsuite/q/' + n for n in (
        'pal1p1.bmp pal8offs.bmp pal8os2sp.bmp rgb16faketrns.bmp rgb24largepal.bmp rgb24lprof.bmp '
        'rgb32-111110.bmp rgb32-xbgr.bmp rgb32fakealpha.bmp rgb32h52.bmp rgba16-5551.bmp rgba32-1.bmp '
        'rgba32-1010102.bmp rgba32-2.bmp rgba32-81284.bmp rgba32h56.bmp').split()
] + [
    'bmpsuite/b/badbitssize.bmp', 'bmpsuite/b/baddens1.bmp', 'bmpsuite/b/baddens2.bmp', 'bmpsuite/b/rgb16-880.bmp',
    'image-rs-bmp/images/imagemagick_invalid_run_length_issue_2321.bmp',
    'image-rs-bmp/images/lenient/V5_A8_R8_G8_B8_Rgb_BadMask.bmp',
]
PILLOW = [
    'bmpsuite/q/pal8os2-hs.bmp', 'bmpsuite/q/pal8os2-sz.bmp', 'bmpsuite/q/pal8os2v2-40sz.bmp',
    'bmpsuite/q/pal8os2v2-sz.bmp', 'bmpsuite/q/pal8os2v2.bmp', 'bmpsuite/b/badfilesize.bmp',
]
BITFIELDS = [
    'bmpsuite/q/' + n for n in
    'rgb16-231.bmp rgb16-3103.bmp rgba16-1924.bmp rgba16-4444.bmp rgb32-7187.bmp rgba32-61754.bmp'.split()
]


def imagemagick(path):
    r = subprocess.run(['convert', path, '-depth', '8', 'ppm:-'], capture_output=True, check=True)
    return Image.open(io.BytesIO(r.stdout)).convert('RGB')


def pillow(path):
    with Image.open(path) as im:
        return im.convert('RGB')


def bitfields(path):
    d = open(path, 'rb').read()
    off, hsize = struct.unpack_from('<II', d, 10)
    w, h, _, bits, comp = struct.unpack_from('<iiHHI', d, 18)
    assert comp in (3, 6) and bits in (16, 32)
    # Red, green, blue masks sit at offset 54 both inside a 52+ byte header and
    # just after a 40-byte one.
    masks = struct.unpack_from('<III', d, 54)
    top_down = h < 0
    h = abs(h)
    stride = (w * bits + 31) // 32 * 4
    out = bytearray()
    for row in range(h):
        y = row if top_down else h - 1 - row
        base = off + y * stride
        for x in range(w):
            if bits == 16:
                v = struct.unpack_from('<H', d, base + 2 * x)[0]
            else:
                v = struct.unpack_from('<I', d, base + 4 * x)[0]
            for m in masks:
                if m == 0:
                    out.append(0)
                    continue
                shift = (m & -m).bit_length() - 1
                top = m >> shift
                out.append((((v & m) >> shift) * 255 + top // 2) // top)
    return Image.frombytes('RGB', (w, h), bytes(out))


def save(rel, image):
    dst = os.path.join(OUT, rel + '.png')
    os.makedirs(os.path.dirname(dst), exist_ok=True)
    image.save(dst, optimize=True)


def main():
    for rel in IMAGEMAGICK:
        save(rel, imagemagick(os.path.join(BMP, rel)))
    for rel in PILLOW:
        save(rel, pillow(os.path.join(BMP, rel)))
    for rel in BITFIELDS:
        ours = bitfields(os.path.join(BMP, rel))
        im = imagemagick(os.path.join(BMP, rel))
        worst = max(abs(a - b) for a, b in zip(ours.tobytes(), im.tobytes()))
        print(f'{rel}: ImageMagick differs by up to {worst}')
        save(rel, ours)


if __name__ == '__main__':
    main()
