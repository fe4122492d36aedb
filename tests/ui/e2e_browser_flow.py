#!/usr/bin/python3
"""A user's batch session in the picture browser, driven over the accessibility bus as a screen
reader would: open the browser on the pictures folder, select three pictures, choose a batch
macro in the Transfer Manager, Apply, and find the three results in the macro's output folder.

    e2e_browser_flow.py LUMAPRISM_BINARY PHOTO

Run under Xvfb with a session bus (ctest does: xvfb-run dbus-run-session). Exits 77 (skipped)
when pyatspi or the accessibility bus is missing.
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_transfer_flow as flow  # noqa: E402  (skips the run when pyatspi is missing)
from e2e_transfer_flow import fail, find, find_all, press, wait_for, walk  # noqa: E402

import pyatspi  # noqa: E402

CHOSEN = ("a.jpg", "b.jpg", "c.jpg")


def main():
    if len(sys.argv) != 3:
        fail("usage: e2e_browser_flow.py LUMAPRISM_BINARY PHOTO")
    flow.reexec_under_xvfb()
    binary, photo = sys.argv[1], sys.argv[2]
    home = tempfile.mkdtemp(prefix="lp-e2e-browser-")
    try:
        pictures = os.path.join(home, "PICTURE")
        out = os.path.join(home, "results")
        os.makedirs(pictures)
        os.makedirs(out)
        os.makedirs(os.path.join(home, "TEMPLATE"))
        for name in CHOSEN + ("d.jpg",):
            shutil.copy(photo, os.path.join(pictures, name))
        with open(os.path.join(home, "Lumaprism 2.8.ini"), "w") as ini:
            ini.write("[Settings]\nWelcomeScreen=0\nPBWizard=0\n")
        env = flow.program_environment(home)
        # The batch macro the user made earlier: PNG results in the results folder.
        made = subprocess.run([binary, "--macro-new", os.path.join(home, "TEMPLATE", "topng.TPL"),
                               "--output-format", "png", "--output-dir", out], env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if made.returncode != 0:
            fail("--macro-new failed: " + made.stdout)
        flow.run_program([binary], env, lambda app: run_flow(app, out))
    finally:
        shutil.rmtree(home, ignore_errors=True)
    print("PASS")


def run_flow(app, out):
    # The control panel's "Browser" tab opens the browser window on the pictures folder: a
    # click on it (the tab is the current one at start, so the screen reader's press changes nothing).
    click(wait_for("the Browser tab", lambda: find(app, pyatspi.ROLE_PAGE_TAB, "Browser")), "Browser tab")

    def picture_list():
        for acc in walk(app):
            try:
                if acc.name == "Pictures" and acc.getRole() in (pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE,
                                                                pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TREE):
                    if acc.getState().contains(pyatspi.STATE_SHOWING):
                        return acc
            except Exception:
                pass
        return None

    def rows_listed():
        table = picture_list()
        if table is None:
            return None
        try:
            t = table.queryTable()
            names = {}
            for row in range(t.nRows):
                cell = t.getAccessibleAt(row, 0)
                if cell is not None:
                    names[cell.name] = row
            if all(name in names for name in CHOSEN):
                return (table, names)
        except Exception:
            return None
        return None

    table, rows = wait_for("the pictures in the list", rows_listed)
    t = table.queryTable()
    for name in CHOSEN:
        if not t.addRowSelection(rows[name]):
            fail("cannot select " + name)
    def counts():
        # The counts pane of the browser's status bar reads as its text.
        return " ".join(a.name or "" for a in find_all(app, pyatspi.ROLE_LABEL, ""))
    try:
        wait_for("three selected", lambda: "(3 Selected )" in counts(), timeout=10)
    except SystemExit:
        print("DEBUG role=%s nrows=%d selected=%s counts=%r" % (table.getRoleName(), t.nRows, list(t.getSelectedRows()), counts()))
        raise

    # The Transfer Manager ("Speed" page) applies the chosen macro to the browser's selection.
    press(wait_for("the Speed tab", lambda: find(app, pyatspi.ROLE_PAGE_TAB, "Speed")), "Speed tab")
    # A combo box reads as its current entry: the Batch Macro list starts on "Default".
    combo = wait_for("the Batch Macro list", lambda: find(app, pyatspi.ROLE_COMBO_BOX, "Default"))
    choose_macro(app, combo, "topng")
    apply = wait_for("Apply to be enabled", lambda: (lambda b: b if b is not None and
                     b.getState().contains(pyatspi.STATE_ENABLED) else None)(find(app, pyatspi.ROLE_PUSH_BUTTON,
                                                                                      "Apply")))
    # The run ends with a message box; the press may only return once it is closed.
    flow.press_modal(apply, "Apply button")

    expected = [os.path.join(out, os.path.splitext(name)[0] + ".png") for name in CHOSEN]
    wait_for("the three results", lambda: all(os.path.exists(p) for p in expected), timeout=60)
    extra = [n for n in os.listdir(out) if n not in [os.path.basename(p) for p in expected]]
    if extra:
        fail("unexpected results: %s" % extra)
    message = wait_for("the success message", lambda: find(app, prefix="topng Template Successfully applied")
                       or find(app, name="topng Template Successfully applied"))
    if message is None:
        fail("no success message")


def click(acc, what):
    """A left click in the middle of the control, through the X server as the mouse would."""
    try:
        x, y, w, h = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    except Exception as error:
        fail("no place on the screen for the %s: %s" % (what, error))
    pyatspi.Registry.generateMouseEvent(x + w // 2, y + h // 2, "b1c")


def choose_macro(app, combo, name):
    """Opens the list with a click and clicks the entry, as a user does with the mouse."""
    def chosen():
        try:
            return combo.name == name
        except Exception:
            return False

    def showing_entry():
        for acc in walk(app):
            try:
                if (acc.name or "") == name and acc.getRole() in (pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_MENU_ITEM,
                                                                  pyatspi.ROLE_TABLE_CELL) \
                        and acc.getState().contains(pyatspi.STATE_SHOWING):
                    x, y, w, h = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                    if w > 0 and h > 0:
                        return acc
            except Exception:
                pass
        return None

    click(combo, "Batch Macro list")
    entry = wait_for("the entry " + name + " in the open list", showing_entry, timeout=15)
    click(entry, "entry " + name)
    wait_for("the macro " + name + " to be chosen", chosen, timeout=15)


if __name__ == "__main__":
    main()
