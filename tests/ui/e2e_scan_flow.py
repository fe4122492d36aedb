#!/usr/bin/python3
"""A user's scanning session over the accessibility bus, against SANE's test backend in a private
SANE_CONFIG_DIR: File > Select Source picks the second test device in the source list, File > Scan
Acquire opens the scan in a new picture window, Save As writes it, and Pillow reads it back here
(size and grid pattern).

    e2e_scan_flow.py LUMAPRISM_BINARY

Run under Xvfb with a session bus (ctest does). Exits 77 (skipped) when pyatspi, Pillow, the
accessibility bus or SANE's test backend is missing.
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_transfer_flow as at  # noqa: E402  (the shared accessibility helpers)

try:
    import pyatspi
    from PIL import Image
except ImportError as error:
    print("SKIP: %s" % error)
    sys.exit(at.SKIP)

# 80 x 100 mm at 50 dpi: the backend makes 157 x 196 pixels, a grid of 10 mm squares.
TEST_CONF = 'number_of_devices 2\nmode Gray\nresolution 50\nbr_x 80\nbr_y 100\ntest-picture "Grid"\n'
CHOSEN = "Noname frontend-tester (test:1)"


def backend_present(env):
    scanimage = shutil.which("scanimage")
    if not scanimage:
        return True  # the program itself will say; the flow then fails on the empty list
    listing = subprocess.run([scanimage, "-L"], env=env, capture_output=True, text=True, timeout=60)
    return "test:1" in listing.stdout


def main():
    if len(sys.argv) != 2:
        at.fail("usage: e2e_scan_flow.py LUMAPRISM_BINARY")
    at.reexec_under_xvfb()
    binary = sys.argv[1]
    home = tempfile.mkdtemp(prefix="lp-e2e-scan-")
    try:
        sane = os.path.join(home, "sane")
        os.makedirs(sane)
        with open(os.path.join(sane, "dll.conf"), "w") as f:
            f.write("test\n")
        with open(os.path.join(sane, "test.conf"), "w") as f:
            f.write(TEST_CONF)
        with open(os.path.join(home, "Lumaprism 2.8.ini"), "w") as ini:
            ini.write("[Settings]\nWelcomeScreen=0\nPBWizard=0\nBeginnersHint=0\n")
        env = at.program_environment(home)
        env["SANE_CONFIG_DIR"] = sane
        env.pop("SANE_DEFAULT_DEVICE", None)
        if not backend_present(env):
            print("SKIP: SANE's test backend (libsane1) is not installed")
            sys.exit(at.SKIP)
        target = os.path.join(home, "scan.bmp")
        at.run_program([binary], env, lambda app: run_flow(app, target))
        check_saved(target)
    finally:
        shutil.rmtree(home, ignore_errors=True)
    print("PASS")


def menu_item(app, menu, name):
    at.press(at.menu_entry(app, menu), menu + " menu")

    def item():
        for acc in at.walk(app):
            try:
                if acc.getRole() == pyatspi.ROLE_MENU_ITEM and acc.name == name and \
                        acc.getState().contains(pyatspi.STATE_SHOWING):
                    return acc
            except Exception:
                pass
        return None
    at.press_modal(at.wait_for("the %s item" % name, item), name)


def run_flow(app, target):
    at.wait_for("the main window", lambda: at.find(app, pyatspi.ROLE_FRAME, "Lumaprism"))
    # Without a picture window the File menu names the command "Select Source".
    menu_item(app, "File", "Select Source")
    dialog = at.wait_for("the source list", lambda: at.find(app, pyatspi.ROLE_DIALOG, "Select Source"))
    sources = at.wait_for("the Sources list", lambda: at.find(dialog, pyatspi.ROLE_LIST, "Sources"))
    entry = at.wait_for("the second test device", lambda: at.find(sources, pyatspi.ROLE_LIST_ITEM, CHOSEN))
    # A click on the line, as a user chooses it.
    x, y, w, h = entry.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(x + w // 2, y + h // 2, "b1c")
    at.wait_for("the device to be selected", lambda: entry.getState().contains(pyatspi.STATE_SELECTED))
    at.press_modal(at.wait_for("the Select button", lambda: at.find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Select")),
                   "Select")
    at.wait_for("the source list to close", lambda: at.find(app, pyatspi.ROLE_DIALOG, "Select Source") is None)

    menu_item(app, "File", "Scan Acquire")
    at.wait_for("the scanned picture's window", lambda: at.find(app, prefix="(Master)"))
    if at.find(app, pyatspi.ROLE_ALERT) is not None or at.find(app, pyatspi.ROLE_DIALOG, "TWAIN Interface Error"):
        at.fail("the scan showed an error")

    at.press(at.menu_entry(app, "File"), "File menu")
    at.press_modal(at.wait_for("Save As...", lambda: at.find(app, pyatspi.ROLE_MENU_ITEM, "Save As...")),
                   "Save As item")
    at.save_as(app, target)
    at.wait_for("the saved file", lambda: os.path.isfile(target) and os.path.getsize(target) > 0)


def check_saved(path):
    with Image.open(path) as image:
        rgb = image.convert("RGB")
        if rgb.size != (157, 196):
            at.fail("the scan is %r, not 157 x 196" % (rgb.size,))
        # The grid starts white at the top left; its second square (from 10 mm) is black.
        for (x, y), expected in (((0, 0), (255, 255, 255)), ((25, 0), (0, 0, 0)), ((45, 0), (255, 255, 255))):
            if rgb.getpixel((x, y)) != expected:
                at.fail("pixel %d,%d is %r, not %r" % (x, y, rgb.getpixel((x, y)), expected))
        if set(rgb.getdata()) != {(0, 0, 0), (255, 255, 255)}:
            at.fail("the grid has other colours than black and white")


if __name__ == "__main__":
    main()
