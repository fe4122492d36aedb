#!/usr/bin/python3
"""A user's editing session over the accessibility bus: open a picture, choose Tools > Magic
Wand, click the ground outside a ring, choose Tools > Fill Transparent, save as GIF; Pillow
then finds exactly that ground transparent in the saved file.

    e2e_wand_flow.py LUMAPRISM_BINARY

Run under Xvfb with a session bus (ctest does). Exits 77 (skipped) when pyatspi, Pillow, libXtst
or the accessibility bus is missing. The click is a real pointer event (XTest).
"""
import ctypes
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_transfer_flow as at  # noqa: E402  (the shared accessibility helpers)

try:
    import pyatspi
    from PIL import Image
except ImportError as error:
    print("SKIP: %s" % error)
    sys.exit(at.SKIP)

W, H = 64, 48


def inside_ring_box(x, y):
    return 10 <= x < 40 and 8 <= y < 38


def make_picture(path):
    """A blue ring on a light ground whose blue varies a little row by row (within the
    tolerance), a dark square inside the ring."""
    image = Image.new("RGB", (W, H))
    for y in range(H):
        for x in range(W):
            colour = (200, 200, 190 + y % 5)
            if inside_ring_box(x, y) and not (14 <= x < 36 and 12 <= y < 34):
                colour = (0, 0, 255)
            if 20 <= x < 30 and 18 <= y < 28:
                colour = (60, 60, 60)
            image.putpixel((x, y), colour)
    image.save(path)


def main():
    if len(sys.argv) != 2:
        at.fail("usage: e2e_wand_flow.py LUMAPRISM_BINARY")
    at.reexec_under_xvfb()
    try:
        ctypes.CDLL("libX11.so.6")
        ctypes.CDLL("libXtst.so.6")
    except OSError as error:
        print("SKIP: the X test extension's library is missing (%s)" % error)
        sys.exit(at.SKIP)
    binary = sys.argv[1]
    home = tempfile.mkdtemp(prefix="lp-e2e-wand-")
    try:
        source = os.path.join(home, "ring.bmp")
        target = os.path.join(home, "ring.gif")
        make_picture(source)
        with open(os.path.join(home, "Lumaprism 2.8.ini"), "w") as ini:
            # The picture in the middle of its view (the default place), so that a point of the
            # view is a known pixel.
            ini.write("[Settings]\nWelcomeScreen=0\nPBWizard=0\nBeginnersHint=0\nMagicTolerance=30\n"
                      "PicPosition=4\nBG_Red=255\nBG_Green=0\nBG_Blue=255\n")
        env = at.program_environment(home)
        at.run_program([binary, source], env, lambda app: run_flow(app, target))
        check_saved(target)
    finally:
        shutil.rmtree(home, ignore_errors=True)
    print("PASS")


class XTest:
    """Real pointer and key events through the X server's test extension."""

    def __init__(self):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.display = ctypes.c_void_p(self.x11.XOpenDisplay(None))
        if not self.display:
            at.fail("cannot open the X display")

    def click(self, x, y):
        self.xtst.XTestFakeMotionEvent(self.display, -1, x, y, 0)
        self.x11.XFlush(self.display)
        time.sleep(0.2)
        self.xtst.XTestFakeButtonEvent(self.display, 1, True, 0)
        self.xtst.XTestFakeButtonEvent(self.display, 1, False, 0)
        self.x11.XFlush(self.display)

    def key(self, keysym):
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        code = self.x11.XKeysymToKeycode(self.display, self.x11.XStringToKeysym(keysym.encode()))
        self.xtst.XTestFakeKeyEvent(self.display, code, True, 0)
        self.xtst.XTestFakeKeyEvent(self.display, code, False, 0)
        self.x11.XFlush(self.display)


def open_popups(app):
    return [a for a in at.walk(app)
            if a.getRole() == pyatspi.ROLE_POPUP_MENU and a.getState().contains(pyatspi.STATE_SHOWING)]


def choose_tool(app, name):
    at.press(at.menu_entry(app, "Tools"), "Tools menu")
    item = at.wait_for(name, lambda: at.find(app, pyatspi.ROLE_MENU_ITEM, name))
    at.wait_for(name + " to be enabled", lambda: item.getState().contains(pyatspi.STATE_ENABLED))
    at.press(item, name)
    return item


def run_flow(app, target):
    at.wait_for("the master window", lambda: at.find(app, prefix="(Master)"))
    wand = choose_tool(app, "Magic Wand")
    at.wait_for("the magic wand to be the tool", lambda: wand.getState().contains(pyatspi.STATE_CHECKED))

    # A menu item chosen over the accessibility bus leaves its menu open (it holds the pointer):
    # close it as a user would, with Escape, before clicking into the picture.
    xtest = XTest()
    for _ in range(5):
        if not open_popups(app):
            break
        xtest.key("Escape")
        time.sleep(0.3)
    view = at.wait_for("the picture view", lambda: at.find(app, name="Picture"))
    box = view.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    # Pixel (50, 40) of the centred picture lies on the ground outside the ring, a few pixels
    # away from anything else, whatever the width of the view's frame.
    left = box.x + (box.width - W) // 2
    top = box.y + (box.height - H) // 2
    xtest.click(left + 50, top + 40)

    def fill_enabled():
        at.press(at.menu_entry(app, "Tools"), "Tools menu")
        item = at.wait_for("Fill Transparent", lambda: at.find(app, pyatspi.ROLE_MENU_ITEM, "Fill Transparent"))
        return item if item.getState().contains(pyatspi.STATE_ENABLED) else None
    fill = at.wait_until(fill_enabled, 10.0)
    if fill is None:
        at.fail("the click made no selection: Fill Transparent stayed disabled")
    at.press(fill, "Fill Transparent")

    at.press(at.menu_entry(app, "File"), "File menu")
    at.press_modal(at.wait_for("Save As...", lambda: at.find(app, pyatspi.ROLE_MENU_ITEM, "Save As...")),
                      "Save As item")
    at.save_as(app, target, ".bmp")
    at.wait_for("the saved file", lambda: os.path.isfile(target) and os.path.getsize(target) > 0)


def check_saved(path):
    with Image.open(path) as image:
        if image.format != "GIF":
            at.fail("the saved file is %s, not GIF" % image.format)
        if image.size != (W, H):
            at.fail("the saved picture is %r" % (image.size,))
        key = image.info.get("transparency")
        if key is None:
            at.fail("the saved GIF has no transparent colour")
        pixels = image.load()
        wrong = [(x, y) for y in range(H) for x in range(W)
                 if (pixels[x, y] == key) != (not inside_ring_box(x, y))]
    if wrong:
        at.fail("%d pixels differ from the ground's area, first %r" % (len(wrong), wrong[0]))


if __name__ == "__main__":
    main()
