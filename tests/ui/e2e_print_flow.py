#!/usr/bin/python3
"""A user's printing session over the accessibility bus: open a picture, choose File > Printing
Options, pick CMYK separations and OK, then File > Print... and print to a PDF file through the
print dialog. poppler's tools then find four pages with the four plate labels.

    e2e_print_flow.py LUMAPRISM_BINARY

Run under Xvfb with a session bus (ctest does). Exits 77 (skipped) when pyatspi, poppler's tools
or the accessibility bus is missing.
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_transfer_flow as at  # noqa: E402  (the shared accessibility helpers)

try:
    import pyatspi
except ImportError as error:
    print("SKIP: %s" % error)
    sys.exit(at.SKIP)

LABELS = ["Cyan Plane", "Magenta Label", "Yellow Plane", "Black Plane"]


def write_bmp(path, w, h):
    """Thirds of cyan, magenta and yellow: every plate has ink of its own."""
    inks = [(255, 255, 0), (255, 0, 255), (0, 255, 255)]  # blue, green, red
    rows = []
    for _ in range(h):
        row = b"".join(bytes(inks[x * 3 // w]) for x in range(w))
        rows.append(row + b"\0" * ((4 - len(row) % 4) % 4))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + data)


def main():
    if len(sys.argv) != 2:
        at.fail("usage: e2e_print_flow.py LUMAPRISM_BINARY")
    for tool in ("pdfinfo", "pdftotext"):
        if not shutil.which(tool):
            print("SKIP: %s (poppler-utils) is not installed" % tool)
            sys.exit(at.SKIP)
    at.reexec_under_xvfb()
    binary = sys.argv[1]
    home = tempfile.mkdtemp(prefix="lp-e2e-print-")
    try:
        source = os.path.join(home, "inks.bmp")
        target = os.path.join(home, "plates.pdf")
        write_bmp(source, 60, 30)
        with open(os.path.join(home, "Lumaprism 2.8.ini"), "w") as ini:
            ini.write("[Settings]\nWelcomeScreen=0\nPBWizard=0\nBeginnersHint=0\n")
        env = at.program_environment(home)
        at.run_program([binary, source], env, lambda app: run_flow(app, target))
        check_pdf(target)
    finally:
        shutil.rmtree(home, ignore_errors=True)
    print("PASS")


def menu_item(app, menu, name):
    at.press(at.menu_entry(app, menu), menu + " menu")
    item = at.wait_for(name, lambda: at.find(app, pyatspi.ROLE_MENU_ITEM, name))
    at.wait_for(name + " to be enabled", lambda: item.getState().contains(pyatspi.STATE_ENABLED))
    return item


def showing(acc):
    try:
        return acc.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def run_flow(app, target):
    at.wait_for("the picture window", lambda: at.find(app, prefix="(Master)"))
    at.press_modal(menu_item(app, "File", "Printing Options"), "Printing Options")
    options = at.wait_for("the Printing Options dialog",
                          lambda: at.find(app, pyatspi.ROLE_DIALOG, "Printing Options"))
    pages = at.wait_for("# Pages", lambda: at.find(options, pyatspi.ROLE_LABEL, "# Pages"))
    if pages.description != "1":
        at.fail("a fitted picture should need 1 page, the dialog says %r" % pages.description)
    at.press(at.wait_for("CMYK", lambda: at.find(options, pyatspi.ROLE_RADIO_BUTTON, "CMYK")), "CMYK")
    at.wait_for("4 pages for the four plates", lambda: pages.description == "4")
    at.press(at.find(options, pyatspi.ROLE_PUSH_BUTTON, "OK"), "OK")
    at.wait_for("the dialog to close", lambda: not showing(options))

    at.press_modal(menu_item(app, "File", "Print...\tCtrl+P"), "Print...")

    dialog = at.wait_for("the print dialog", lambda: at.find(app, pyatspi.ROLE_DIALOG, "Print"))
    choose_pdf_file(dialog, target)
    at.wait_for("the printed file", lambda: os.path.isfile(target) and os.path.getsize(target) > 0, 60)


def choose_pdf_file(dialog, target):
    """Qt's print dialog: the printer "Print to File (PDF)", the output file's name, Print."""
    pdf = "Print to File (PDF)"
    combo = at.wait_for("the printer list", lambda: at.find(dialog, pyatspi.ROLE_COMBO_BOX))
    if combo.name != pdf:
        # Installed printers come first: pick the PDF entry of the list.
        entry = at.wait_for(pdf, lambda: at.find(combo, pyatspi.ROLE_LIST_ITEM, pdf))
        entry.parent.querySelection().selectChild(entry.getIndexInParent())
        at.wait_for("the PDF printer to be chosen", lambda: combo.name == pdf)
    field = at.wait_for("the output file field", lambda: at.find(dialog, pyatspi.ROLE_TEXT, "Output file:"))
    at.wait_for("the output file field to be enabled", lambda: field.getState().contains(pyatspi.STATE_ENABLED))
    field.queryEditableText().setTextContents(target)
    at.press_modal(at.wait_for("the Print button", lambda: at.find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Print")),
                   "Print button")


def check_pdf(path):
    info = subprocess.run(["pdfinfo", path], capture_output=True, text=True).stdout
    match = re.search(r"Pages:\s+(\d+)", info)
    if not match or int(match.group(1)) != 4:
        at.fail("the PDF should hold the four CMYK plates: %s" % info)
    for page, label in enumerate(LABELS, start=1):
        text = subprocess.run(["pdftotext", "-f", str(page), "-l", str(page), path, "-"],
                              capture_output=True, text=True).stdout
        if label not in text:
            at.fail("page %d lacks its label %r: %r" % (page, label, text))


if __name__ == "__main__":
    main()
