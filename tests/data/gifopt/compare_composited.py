#!/usr/bin/python3
"""Composites every frame of two GIF files with an independent decoder and compares them.

    compare_composited.py pillow|magick A.gif B.gif

Prints "frames <count A> <count B>", then one line per frame pair:
"<largest |dR|+|dG|+|dB| over pixels opaque in both> <pixels opaque in one only> <delay A> <delay B>".
Pixels transparent in both are equal whatever their colour values.
"""
import subprocess
import sys
import tempfile
import glob
import os

from PIL import Image, ImageSequence


def pillow_frames(path):
    frames = []
    with Image.open(path) as im:
        for frame in ImageSequence.Iterator(im):
            frames.append((frame.convert("RGBA").copy(), frame.info.get("duration", 0)))
    return frames


def magick_frames(path):
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["convert", path, "-coalesce", os.path.join(tmp, "f_%05d.png")], check=True)
        delays = subprocess.run(["identify", "-format", "%T\n", path], check=True, capture_output=True,
                                text=True).stdout.split()
        files = sorted(glob.glob(os.path.join(tmp, "f_*.png")))
        frames = []
        for i, name in enumerate(files):
            with Image.open(name) as im:
                frames.append((im.convert("RGBA").copy(), int(delays[i]) * 10 if i < len(delays) else 0))
        return frames


def compare(a, b):
    if a.size != b.size:
        return 10**9, a.size[0] * a.size[1]
    worst = 0
    alpha = 0
    for pa, pb in zip(a.getdata(), b.getdata()):
        oa, ob = pa[3] >= 128, pb[3] >= 128
        if oa != ob:
            alpha += 1
        elif oa:
            d = abs(pa[0] - pb[0]) + abs(pa[1] - pb[1]) + abs(pa[2] - pb[2])
            if d > worst:
                worst = d
    return worst, alpha


def main():
    tool, left, right = sys.argv[1:4]
    load = pillow_frames if tool == "pillow" else magick_frames
    fa, fb = load(left), load(right)
    print("frames", len(fa), len(fb))
    for (a, da), (b, db) in zip(fa, fb):
        worst, alpha = compare(a, b)
        print(worst, alpha, da, db)


main()
