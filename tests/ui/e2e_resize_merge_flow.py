#!/usr/bin/python3
"""A user's resize-and-merge session over the accessibility bus: open a picture, resize it
to 50 % in "Picture Resize", open a second picture from the recent-file list, merge the two
in a row with the Merge wizard (automatic placement, two columns, the gap from the settings),
save the result, and read the saved file back with Pillow.

    e2e_resize_merge_flow.py LUMAPRISM_BINARY

Run under Xvfb with a session bus (ctest does). Exits 77 (skipped) when pyatspi, Pillow or
the accessibility bus is missing.
"""
import os
import shutil
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

GAP = 10


def main():
    if len(sys.argv) != 2:
        at.fail("usage: e2e_resize_merge_flow.py LUMAPRISM_BINARY")
    at.reexec_under_xvfb()
    binary = sys.argv[1]
    home = tempfile.mkdtemp(prefix="lp-e2e-merge-")
    try:
        first = os.path.join(home, "red.png")
        second = os.path.join(home, "blue.png")
        target = os.path.join(home, "merged.png")
        Image.new("RGB", (120, 80), (255, 0, 0)).save(first)
        Image.new("RGB", (60, 40), (0, 0, 255)).save(second)
        with open(os.path.join(home, "Lumaprism 2.8.ini"), "w") as ini:
            ini.write("[Settings]\nWelcomeScreen=0\nPBWizard=0\nMerge Gap X=%d\nMerge Gap Y=3\n"
                      "BG_Red=255\nBG_Green=255\nBG_Blue=255\n" % GAP)
            ini.write("[Recent File List]\nFile1=%s\n" % second)
        env = at.program_environment(home)
        at.run_program([binary, first], env, lambda app: run_flow(app, target))
        check_saved(target)
    finally:
        shutil.rmtree(home, ignore_errors=True)
    print("PASS")




def choose(app, title, item_name=None, ends_with=None):
    """Opens a menu of the menu bar and runs one of its items (which may open a modal dialog)."""
    at.press(at.menu_entry(app, title), title + " menu")

    def item():
        for acc in at.walk(app):
            try:
                if acc.getRole() != pyatspi.ROLE_MENU_ITEM or not acc.getState().contains(pyatspi.STATE_SHOWING):
                    continue
                if (item_name is not None and acc.name == item_name) or \
                        (ends_with is not None and (acc.name or "").endswith(ends_with)):
                    return acc
            except Exception:
                pass
        return None
    at.press_modal(at.wait_for("the %s item" % (item_name or ends_with), item), item_name or ends_with)


def enabled(acc):
    return acc is not None and acc.getState().contains(pyatspi.STATE_ENABLED)


def run_flow(app, target):
    at.wait_for("the master window", lambda: at.find(app, prefix="(Master)"))

    # Picture > Resize...: 50 % keeps the proportions.
    choose(app, "Picture", "Resize...")
    dialog = at.wait_for("the resize dialog", lambda: at.find(app, pyatspi.ROLE_DIALOG, "Picture Resize"))
    percent = at.wait_for("the X percentage", lambda: at.find(dialog, pyatspi.ROLE_SPIN_BUTTON, "X Axis %"))
    percent.queryValue().currentValue = 50
    height = at.find(dialog, name="Y Axis %")
    at.wait_for("the Y percentage to follow", lambda: height.queryValue().currentValue == 50)
    at.press_modal(at.find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Ok"), "Ok button")
    at.wait_for("the resize dialog to close",
                lambda: at.find(app, pyatspi.ROLE_DIALOG, "Picture Resize") is None)
    at.wait_for("the new size in the status bar", lambda: any("60 x 40" in (a.name or "") or
                                                               "60 x 40" in at.text_of(a) for a in at.walk(app)
                                                               if a.getRole() == pyatspi.ROLE_LABEL))

    # The second picture from the recent-file list.
    choose(app, "File", ends_with="blue.png")
    at.wait_for("the second picture's window", lambda: any("blue.png" in (a.name or "") and
                                                           (a.name or "").startswith("(Master)")
                                                           for a in at.walk(app)))

    # Picture > Merge: tick both pictures, place them in one row of two.
    choose(app, "Picture", "Merge")
    wizard = at.wait_for("the merge wizard", lambda: at.find(app, name="Merge", role=pyatspi.ROLE_DIALOG))
    for name in ("red.png", "blue.png"):
        box = at.wait_for("the box of " + name, lambda: at.find(wizard, pyatspi.ROLE_CHECK_BOX, name))
        if not box.getState().contains(pyatspi.STATE_CHECKED):
            at.press(box, name)
        at.wait_for(name + " ticked", lambda: box.getState().contains(pyatspi.STATE_CHECKED))
    at.press(at.find(wizard, pyatspi.ROLE_PUSH_BUTTON, "Next"), "Next button")
    automatic = at.wait_for("automatic placement",
                            lambda: at.find(wizard, pyatspi.ROLE_RADIO_BUTTON, "Automatic placement of images"))
    at.press(automatic, "Automatic placement")
    settings = at.wait_for("Settings ... to be enabled",
                           lambda: (lambda b: b if enabled(b) else None)(
                               at.find(wizard, pyatspi.ROLE_PUSH_BUTTON, "Settings ...")))
    at.press_modal(settings, "Settings button")
    placement = at.wait_for("the placement settings", lambda: at.find(app, name="Auto Placement : Settings ",
                                                                      role=pyatspi.ROLE_DIALOG))
    columns = at.wait_for("the column count", lambda: at.find(placement, pyatspi.ROLE_SPIN_BUTTON,
                                                              "Number of columns in a row"))
    columns.queryValue().currentValue = 2
    at.wait_for("two columns", lambda: columns.queryValue().currentValue == 2)
    at.press_modal(at.find(placement, pyatspi.ROLE_PUSH_BUTTON, "OK"), "OK button")
    at.wait_for("the placement settings to close",
                lambda: at.find(app, name="Auto Placement : Settings ", role=pyatspi.ROLE_DIALOG) is None)
    at.press_modal(at.find(wizard, pyatspi.ROLE_PUSH_BUTTON, "Finish"), "Finish button")
    at.wait_for("the merged picture's window", lambda: any("Untitled" in (a.name or "") for a in at.walk(app)))

    # File > Save As... under a PNG name.
    choose(app, "File", "Save As...")
    at.save_as(app, target)
    at.wait_for("the saved file", lambda: os.path.isfile(target) and os.path.getsize(target) > 0)


def check_saved(path):
    with Image.open(path) as image:
        image = image.convert("RGB")
        if image.size != (60 + GAP + 60, 40):
            at.fail("the merged picture is %r, not %r" % (image.size, (60 + GAP + 60, 40)))

        def near(pixel, want):
            return all(abs(a - b) < 48 for a, b in zip(pixel, want))
        checks = [((20, 20), (255, 0, 0)), ((60 + GAP // 2, 20), (255, 255, 255)), ((100, 20), (0, 0, 255))]
        for where, want in checks:
            if not near(image.getpixel(where), want):
                at.fail("pixel %r is %r, expected about %r" % (where, image.getpixel(where), want))


if __name__ == "__main__":
    main()
