#!/usr/bin/python3
"""Writes the palette fixtures of this folder, byte by byte, without our own code."""
import struct


def header(name, count, offset, reserved=b"\0" * 4, tail=b"\0" * 18, namefield=None):
    nf = namefield if namefield is not None else name.encode().ljust(30, b"\0")
    assert len(nf) == 30
    return b"VP1.0\0" + reserved + nf + struct.pack("<HI", count, offset) + tail


def entry(r, g, b, name=None, namefield=None):
    nf = namefield if namefield is not None else name.encode().ljust(30, b"\0")
    assert len(nf) == 30
    return bytes([r, g, b]) + nf


# A palette laid out exactly as the program writes it.
three = header("three", 3, 64) + entry(255, 0, 0, "Red") + entry(0, 128, 255, "Sky") + entry(1, 2, 3, "A" * 29)
assert len(three) == 64 + 3 * 33
open("three.pal", "wb").write(three)

# The same colours laid out by someone else: entries at offset 100, junk in reserved bytes and after the
# terminating zeros, and a colour name that fills its field without a zero.
odd = header("", 3, 100, reserved=b"\x11\x22\x33\x44", tail=b"\xee" * 18,
             namefield=b"three\0junk-after-zero-" + b"\xff" * 8)
odd += b"\xaa" * (100 - len(odd))
odd += entry(255, 0, 0, namefield=b"Red\0" + b"\x7f" * 26)
odd += entry(0, 128, 255, namefield=b"Sky\0" + b"zz" * 13)
odd += entry(1, 2, 3, namefield=b"A" * 30)
odd += b"trailing bytes are ignored"
open("odd_layout.pal", "wb").write(odd)
