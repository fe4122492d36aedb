#!/usr/bin/python3
"""A user's palette session over the accessibility bus: open a picture, go to the Palette page,
load the picture's colours, sort them by brightness, save them as a palette file, and read the
file back here (its own layout, not the program's reader).

    e2e_palette_flow.py LUMAPRISM_BINARY

Run under Xvfb with a session bus (ctest does). Exits 77 (skipped) when pyatspi, Pillow or
the accessibility bus is missing.
"""
import os
import shutil
import struct
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

# Five colours in columns, written by Pillow (not by the program).
COLOURS = [(200, 10, 10), (10, 200, 10), (10, 10, 200), (250, 250, 250), (90, 90, 0)]


def make_picture(path):
    image = Image.new("RGB", (50, 20))
    for x in range(50):
        for y in range(20):
            image.putpixel((x, y), COLOURS[x // 10])
    image.save(path)


def main():
    if len(sys.argv) != 2:
        at.fail("usage: e2e_palette_flow.py LUMAPRISM_BINARY")
    at.reexec_under_xvfb()
    binary = sys.argv[1]
    home = tempfile.mkdtemp(prefix="lp-e2e-pal-")
    try:
        source = os.path.join(home, "five.png")
        make_picture(source)
        with open(os.path.join(home, "Lumaprism 2.8.ini"), "w") as ini:
            ini.write("[Settings]\nWelcomeScreen=0\nPBWizard=0\nBeginnersHint=0\n")
        env = at.program_environment(home)
        target = os.path.join(home, "PALETTE", "five.pal")
        at.run_program([binary, source], env, lambda app: run_flow(app, target))
        check_saved(target)
    finally:
        shutil.rmtree(home, ignore_errors=True)
    print("PASS")




def run_flow(app, target):
    at.wait_for("the master window", lambda: at.find(app, prefix="(Master)"))
    at.press(at.wait_for("the Palette tab", lambda: at.find(app, pyatspi.ROLE_PAGE_TAB, "Palette")), "Palette tab")

    # "Load Palette": the first entry, "Load from Picture", chosen with the keyboard as a user would.
    combo = at.wait_for("the Load Palette list", lambda: at.find(app, pyatspi.ROLE_COMBO_BOX, "Load Palette"))
    count = at.wait_for("the colour count", lambda: at.find(app, pyatspi.ROLE_SLIDER, "Number of Colors"))
    # A click opens the list; Home and Return choose its first entry (the pointer may rest on another).
    x, y, w, h = combo.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(x + w // 2, y + h // 2, "b1c")
    at.wait_for("the list to open", lambda: combo.getState().contains(pyatspi.STATE_EXPANDED))
    time.sleep(0.5)
    pyatspi.Registry.generateKeyboardEvent(0xFF50, None, pyatspi.KEY_SYM)  # Home
    time.sleep(0.3)
    pyatspi.Registry.generateKeyboardEvent(0xFF0D, None, pyatspi.KEY_SYM)  # Return
    at.wait_for("the picture's colours", lambda: count.queryValue().currentValue == len(COLOURS))

    at.press_modal(at.wait_for("the Sort button", lambda: at.find(app, pyatspi.ROLE_PUSH_BUTTON, "Sort")), "Sort")
    sort = at.wait_for("the sort dialog", lambda: at.find(app, pyatspi.ROLE_DIALOG, "Color sort options"))
    at.press_modal(at.wait_for("its OK button", lambda: at.find(sort, pyatspi.ROLE_PUSH_BUTTON, "OK")), "OK")
    at.wait_for("the sort dialog to close", lambda: at.find(app, pyatspi.ROLE_DIALOG, "Color sort options") is None)

    at.press_modal(at.wait_for("the Save button", lambda: at.find(app, pyatspi.ROLE_PUSH_BUTTON, "Save...")), "Save")
    dialog = at.wait_for("the name dialog", lambda: at.find(app, pyatspi.ROLE_DIALOG, "Palette Name"))
    field = at.wait_for("the name field",
                        lambda: at.find(dialog, pyatspi.ROLE_TEXT, "Save this Color Palette as"))
    field.queryEditableText().setTextContents("five")
    at.press_modal(at.wait_for("its OK button", lambda: at.find(dialog, pyatspi.ROLE_PUSH_BUTTON, "OK")), "OK")
    at.wait_for("the palette file", lambda: os.path.isfile(target) and os.path.getsize(target) >= 64 + 33 * 5)
    at.wait_for("the title to take the name", lambda: at.find(app, pyatspi.ROLE_LABEL, "Palette (five)"))


def check_saved(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:6] != b"VP1.0\0":
        at.fail("no palette signature: %r" % data[:6])
    name = data[10:40].split(b"\0")[0].decode()
    count, offset = struct.unpack_from("<HI", data, 40)
    if name != "five" or count != len(COLOURS) or offset != 64:
        at.fail("header reads name %r, count %d, offset %d" % (name, count, offset))
    entries = []
    for i in range(count):
        at_entry = offset + 33 * i
        r, g, b = data[at_entry], data[at_entry + 1], data[at_entry + 2]
        entry_name = data[at_entry + 3:at_entry + 33].split(b"\0")[0].decode()
        if entry_name != "five%d" % (i + 1):
            at.fail("entry %d is named %r" % (i + 1, entry_name))
        entries.append((r, g, b))
    # Brightness ascending: blue x 65536 + green x 256 + red.
    expected = sorted(COLOURS, key=lambda c: c[2] * 65536 + c[1] * 256 + c[0])
    if entries != expected:
        at.fail("the saved colours are %r, not %r" % (entries, expected))


if __name__ == "__main__":
    main()
