#!/usr/bin/python3
"""A user's optimizing session, driven over the accessibility bus as a screen reader would:
open a photo, choose the GIF tab of the Transfer Manager, set 64 colours, make a Preview,
open the Windows Manager and Select the preview as the new master.

    e2e_transfer_flow.py LUMAPRISM_BINARY PHOTO

Run under Xvfb with a session bus (ctest does: xvfb-run dbus-run-session). Exits 77 (skipped)
when pyatspi or the accessibility bus is missing.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77

try:
    import pyatspi
except ImportError:
    print("SKIP: python3-pyatspi is not installed")
    sys.exit(SKIP)


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def children(acc):
    try:
        count = acc.childCount
    except Exception:
        return []
    out = []
    for i in range(count):
        try:
            child = acc.getChildAtIndex(i)
        except Exception:
            child = None
        if child is not None:
            out.append(child)
    return out


def walk(acc, depth=0):
    yield acc
    if depth > 40:
        return
    for child in children(acc):
        yield from walk(child, depth + 1)


def find(root, role=None, name=None, prefix=None):
    for acc in walk(root):
        try:
            if role is not None and acc.getRole() != role:
                continue
            acc_name = acc.name or ""
        except Exception:
            continue
        if name is not None and acc_name != name:
            continue
        if prefix is not None and not acc_name.startswith(prefix):
            continue
        return acc
    return None


def find_all(root, role, prefix):
    found = []
    for acc in walk(root):
        try:
            if acc.getRole() == role and (acc.name or "").startswith(prefix):
                found.append(acc)
        except Exception:
            pass
    return found


def wait_for(what, probe, timeout=30.0):
    end = time.time() + timeout
    while time.time() < end:
        value = probe()
        if value:
            return value
        time.sleep(0.25)
    fail("timed out waiting for " + what)


def wait_until(probe, timeout):
    """The probe's value once it is true, or None after the timeout (no failure)."""
    end = time.time() + timeout
    while time.time() < end:
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    return None


def press(acc, what):
    if acc is None:
        fail("no " + what)
    action = acc.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("press", "Press", "click", "SetFocus", "activate", "Toggle"):
            action.doAction(i)
            return
    action.doAction(0)


def text_of(acc):
    try:
        t = acc.queryText()
        return t.getText(0, t.characterCount)
    except Exception:
        return acc.name or ""


def application_of(desktop, program):
    """The program's application on the accessibility bus (by process, else by name)."""
    for app in children(desktop):
        try:
            if app.name in ("Lumaprism", "lumaprism") and app.get_process_id() == program.pid:
                return app
        except Exception:
            try:
                if app.name in ("Lumaprism", "lumaprism"):
                    return app
            except Exception:
                pass
    return None


def menu_entry(app, name):
    """A menu bar entry (Qt shows them as menu items; the menus they open as popup menus)."""
    def probe():
        for acc in walk(app):
            try:
                if acc.getRole() in (pyatspi.ROLE_MENU, pyatspi.ROLE_MENU_ITEM) and acc.name == name:
                    return acc
            except Exception:
                pass
        return None
    return wait_for("the %s menu" % name, probe)


def press_modal(acc, what):
    """Presses a control whose action opens a modal dialog: the reply may only come after it closes."""
    try:
        press(acc, what)
    except Exception:
        pass


def save_in_dialog(dialog, target, proposed_extension=None):
    """Types the full name into the save dialog's name field and presses Save. With a proposed
    extension, the field is the one holding the proposed name (or named "File name")."""
    def name_field():
        for acc in walk(dialog):
            try:
                if acc.getRole() == pyatspi.ROLE_TEXT and acc.getState().contains(pyatspi.STATE_EDITABLE) \
                        and acc.getState().contains(pyatspi.STATE_SHOWING):
                    if proposed_extension is None or text_of(acc).endswith(proposed_extension) \
                            or acc.name in ("File name:", "File name"):
                        return acc
            except Exception:
                pass
        return None
    field = wait_for("the file name field", name_field)
    field.queryEditableText().setTextContents(target)
    press_modal(wait_for("the Save button", lambda: find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Save")), "Save button")


def save_as(app, target, proposed_extension=None):
    """Waits for the program's "Save As" dialog (a dialog, or a frame on some styles) and saves
    under target through save_in_dialog."""
    dialog = wait_for("the save dialog", lambda: find(app, pyatspi.ROLE_DIALOG, "Save As")
                      or find(app, name="Save As", role=pyatspi.ROLE_FRAME))
    save_in_dialog(dialog, target, proposed_extension)


def reexec_under_xvfb():
    """Without a display of its own the flow runs itself again on Xvfb with a session bus."""
    if os.environ.get("LP_E2E_INNER") == "1":
        return
    xvfb = shutil.which("xvfb-run")
    bus = shutil.which("dbus-run-session")
    if not xvfb or not bus:
        print("SKIP: xvfb-run or dbus-run-session is not installed")
        sys.exit(SKIP)
    env = dict(os.environ, LP_E2E_INNER="1")
    command = [xvfb, "-a", "-s", "-screen 0 1280x1024x24", bus, "--", sys.executable] + sys.argv
    sys.exit(subprocess.call(command, env=env))


def program_environment(home):
    """The environment of a program run: its own home folder, the accessibility bridge on."""
    env = dict(os.environ)
    env.update({"LUMAPRISM_HOME": home, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_ACCESSIBILITY": "1",
                "QT_QPA_PLATFORM": "xcb"})
    return env


def run_program(command, env, flow):
    """Starts the program, hands its application on the accessibility bus to flow(app) and ends
    it whatever happens.
    Exits 77 (skipped) without an accessibility bus."""
    try:
        desktop = pyatspi.Registry.getDesktop(0)
    except Exception as error:
        print("SKIP: no accessibility bus (%s)" % error)
        sys.exit(SKIP)
    program = subprocess.Popen(command, env=env)
    try:
        flow(wait_for("the program on the accessibility bus", lambda: application_of(desktop, program)))
    finally:
        program.terminate()
        try:
            program.wait(10)
        except subprocess.TimeoutExpired:
            program.kill()


def main():
    if len(sys.argv) != 3:
        fail("usage: e2e_transfer_flow.py LUMAPRISM_BINARY PHOTO")
    reexec_under_xvfb()
    binary, photo = sys.argv[1], sys.argv[2]
    home = tempfile.mkdtemp(prefix="lp-e2e-")
    try:
        work = os.path.join(home, "photo" + os.path.splitext(photo)[1])
        shutil.copy(photo, work)
        # A first start without the welcome screen.
        with open(os.path.join(home, "Lumaprism 2.8.ini"), "w") as ini:
            ini.write("[Settings]\nWelcomeScreen=0\nPBWizard=0\n")
        env = program_environment(home)
        run_program([binary, work], env, run_flow)
    finally:
        shutil.rmtree(home, ignore_errors=True)
    print("PASS")


def run_flow(app):
    wait_for("the master window", lambda: find(app, prefix="(Master)"))

    # The control panel's "Speed" page holds the Transfer Manager.
    press(wait_for("the Speed tab", lambda: find(app, pyatspi.ROLE_PAGE_TAB, "Speed")), "Speed tab")
    gif_tab = wait_for("the GIF tab", lambda: find(app, pyatspi.ROLE_PAGE_TAB, "  Gif ")
                       or find(app, pyatspi.ROLE_PAGE_TAB, "GifPng"))
    press(gif_tab, "GIF tab")
    slider = wait_for("the Colors slider", lambda: find(app, pyatspi.ROLE_SLIDER, "Colors"))
    field = find(app, name="Preview GIF")
    before = text_of(field) if field else None
    slider.queryValue().currentValue = 64
    wait_for("the colour count to follow", lambda: slider.queryValue().currentValue == 64)
    if field is not None:
        wait_for("the Preview GIF field to change", lambda: text_of(field) != before)

    press(find(app, pyatspi.ROLE_PUSH_BUTTON, "Preview"), "Preview button")
    wait_for("the preview window", lambda: find(app, prefix="(Preview 1)"))

    # Window > Window Manager.
    press(menu_entry(app, "Window"), "Window menu")
    item = wait_for("the Window Manager item", lambda: find(app, pyatspi.ROLE_MENU_ITEM, "Window Manager"))
    press(item, "Window Manager item")
    dialog = wait_for("the Windows Manager", lambda: find(app, name="Windows Manager"))
    table = wait_for("the window list", lambda: find(dialog, pyatspi.ROLE_TREE_TABLE)
                     or find(dialog, pyatspi.ROLE_TABLE) or find(dialog, pyatspi.ROLE_TREE))
    selected = False
    try:
        selected = table.queryTable().addRowSelection(1)
    except Exception:
        selected = False
    if not selected:
        cell = find(table, name="Preview     1")
        if cell is None:
            fail("no row for the preview")
        try:
            table.querySelection().selectChild(cell.getIndexInParent())
        except Exception as error:
            fail("cannot select the preview's row: %s" % error)
    select = wait_for("Select to be enabled", lambda: (lambda b: b if b is not None and
                      b.getState().contains(pyatspi.STATE_ENABLED) else None)(find(dialog, pyatspi.ROLE_PUSH_BUTTON,
                                                                                       "Select")))
    press(select, "Select button")

    def one_master():
        masters = [a for a in walk(app) if (a.name or "").startswith("(Master)")]
        previews = [a for a in walk(app) if (a.name or "").startswith("(Preview")]
        return masters and not previews
    wait_for("a single master after Select", one_master)


if __name__ == "__main__":
    main()
