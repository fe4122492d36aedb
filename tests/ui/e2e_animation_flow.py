#!/usr/bin/python3
"""A user's animation session over the accessibility bus: open an animated GIF, go to the
Animation page, step to frame 3, give it a delay of 1.5 seconds and "Overwrite previous",
save it under a new name, and read the saved file back with Pillow.

    e2e_animation_flow.py LUMAPRISM_BINARY

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


def make_animation(path):
    """Four frames, 0.2 s each, disposal 1, written by Pillow (not by the program)."""
    frames = []
    for i in range(4):
        frame = Image.new("P", (40, 30), 0)
        frame.putpalette([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0] + [0] * (251 * 3))
        for x in range(10 * i, 10 * i + 10):
            for y in range(30):
                frame.putpixel((x, y), 1 + i)
        frames.append(frame)
    frames[0].save(path, save_all=True, append_images=frames[1:], duration=200, disposal=1, loop=0)


def main():
    if len(sys.argv) != 2:
        at.fail("usage: e2e_animation_flow.py LUMAPRISM_BINARY")
    at.reexec_under_xvfb()
    binary = sys.argv[1]
    home = tempfile.mkdtemp(prefix="lp-e2e-anim-")
    try:
        source = os.path.join(home, "anim.gif")
        target = os.path.join(home, "edited.gif")
        make_animation(source)
        with open(os.path.join(home, "Lumaprism 2.8.ini"), "w") as ini:
            ini.write("[Settings]\nWelcomeScreen=0\nPBWizard=0\n")
        env = at.program_environment(home)
        at.run_program([binary, source], env, lambda app: run_flow(app, target))
        check_saved(target)
    finally:
        shutil.rmtree(home, ignore_errors=True)
    print("PASS")


def run_flow(app, target):
    at.wait_for("the master window", lambda: at.find(app, prefix="(Master)"))
    at.press(at.wait_for("the Animation tab", lambda: at.find(app, pyatspi.ROLE_PAGE_TAB, "Animation")),
             "Animation tab")
    next_button = at.wait_for("the Next button", lambda: at.find(app, pyatspi.ROLE_PUSH_BUTTON, "Next"))
    at.wait_for("frame 1", lambda: at.find(app, pyatspi.ROLE_LABEL, "Frame 1"))
    at.press(next_button, "Next button")
    at.wait_for("frame 2", lambda: at.find(app, pyatspi.ROLE_LABEL, "Frame 2"))
    at.press(next_button, "Next button")
    at.wait_for("frame 3", lambda: at.find(app, pyatspi.ROLE_LABEL, "Frame 3"))

    delay = at.wait_for("the Delay field", lambda: at.find(app, pyatspi.ROLE_TEXT, "Delay"))
    delay.queryEditableText().setTextContents("1.5")
    overwrite = at.wait_for("Overwrite previous", lambda: at.find(app, pyatspi.ROLE_RADIO_BUTTON, "Overwrite previous"))
    at.press(overwrite, "Overwrite previous")
    at.wait_for("the disposal to be chosen", lambda: overwrite.getState().contains(pyatspi.STATE_CHECKED))

    # File > Save As..., then the file name and Save.
    at.press(at.menu_entry(app, "File"), "File menu")
    at.press_modal(at.wait_for("Save As...", lambda: at.find(app, pyatspi.ROLE_MENU_ITEM, "Save As...")), "Save As item")
    at.save_as(app, target, ".gif")
    at.wait_for("the saved file", lambda: os.path.isfile(target) and os.path.getsize(target) > 0)
    at.wait_for("the window to take the new name", lambda: at.find(app, prefix="(Master)") is not None and
                any("edited.gif" in (a.name or "") for a in at.walk(app)))


def check_saved(path):
    with Image.open(path) as image:
        if getattr(image, "n_frames", 1) != 4:
            at.fail("the saved GIF has %s frames" % getattr(image, "n_frames", 1))
        found = []
        for index in range(4):
            image.seek(index)
            found.append((image.info.get("duration"), getattr(image, "disposal_method", None)))
    if found[2] != (1500, 3):
        at.fail("frame 3 reads back as (duration, disposal) %r, not (1500, 3)" % (found[2],))
    for index in (0, 1, 3):
        if found[index][0] != 200:
            at.fail("frame %d lost its delay: %r" % (index + 1, found[index]))


if __name__ == "__main__":
    main()
