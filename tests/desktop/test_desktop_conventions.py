"""The desktop tier: what a desktop user takes for granted, worked through AT-SPI.  The
menu bar is driven by the names a screen reader reads (File, View, Element, Help; About
names the version), a list of 1,000 elements is filtered by typing, the Events dock is
hidden from the View menu, the window is moved, the program is ended with File > Quit and
started again: the window comes back where it was left, without the dock.

Usage (through run-desktop-test.sh): test_desktop_conventions.py --nms BIN --sim BIN
"""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import (DECODER, ENCODER, Failure, Session, click, do_action, find, find_role,  # noqa: E402
                             move_window, press, spoken, wait_for, walk)
from gi.repository import Atspi, GLib  # noqa: E402

ELEMENTS = 1000
failures = []


def check(what, ok, detail=""):
    print("%s %s%s" % ("ok  " if ok else "FAIL", what, (": " + detail) if detail else ""))
    if not ok:
        failures.append(what)


def listed(n):
    """The nth element of the large fleet, in the database only (not simulated)."""
    return ("0022%08X" % n, {"NAME": ("SITE %04d" % n).ljust(16), "IP": "127.1.%d.%d" % (n // 250, n % 250 + 1),
                             "ROLE": "2", "SN": str(n), "VER": "3.5"}, None)


def main_window(app):
    return find(app, lambda n: n.get_role_name() == "frame" and spoken(n).startswith("Tessovar NMS v."),
                "the main window")


def menu_entry(main, menu, entry):
    """Opens the menu bar's menu and chooses the entry, both by the names read."""
    top = top_menu(main, menu)
    do_action(top, "ShowMenu")
    item = find(top, lambda n: n.get_role_name() == "menu item" and spoken(n) == entry, "%s > %s" % (menu, entry))
    press(item)


def top_menu(main, name):
    bar = find(main, lambda n: n.get_role_name() == "menu bar", "the menu bar")
    return find(bar, lambda n: n.get_role_name() == "menu item" and spoken(n) == name and
                n.get_parent().get_role_name() == "menu bar", "the menu " + name)


def focus(node):
    def focused():
        node.clear_cache()
        return node.get_state_set().contains(Atspi.StateType.FOCUSED)
    for _ in range(20):
        if focused():
            return
        click(node)  # as the operator would; without a window manager this also activates
        Atspi.Component.grab_focus(node)
        time.sleep(0.05)
    wait_for(focused, "the focus on " + spoken(node), timeout=2)


def role_of(node):
    try:
        return node.get_role_name()
    except GLib.Error:
        return None  # gone while it was being read (the list changes as it is filtered)


def shown_rows(tree):
    tree.clear_cache()
    return sum(1 for n in walk(tree) if role_of(n) == "table cell")


def extents(node):
    node.clear_cache()
    e = node.get_extents(Atspi.CoordType.SCREEN)
    return (e.x, e.y, e.width, e.height)


def events_dock_shown(main):
    def shown(n):
        try:
            n.clear_cache()
            return role_of(n) in ("table", "tree") and spoken(n) == "Events" and \
                n.get_state_set().contains(Atspi.StateType.SHOWING)
        except GLib.Error:
            return False
    return any(shown(n) for n in walk(main))


def run(s):
    main = main_window(s.app)
    total = ELEMENTS + 2
    caption = "Select element: (%d items)" % total
    find(main, lambda n: spoken(n) == caption, "the caption " + caption, timeout=30)
    bar = find(main, lambda n: n.get_role_name() == "menu bar", "the menu bar")
    menus = [spoken(bar.get_child_at_index(i)) for i in range(bar.get_child_count())]
    check("the menu bar has File, View, Element and Help", menus == ["File", "View", "Element", "Help"],
          repr(menus))

    # Help > About Tessovar NMS names the version.
    menu_entry(main, "Help", "About Tessovar NMS")
    about = find_role(s.app, "alert", "About Tessovar NMS")
    version = find(about, lambda n: "Tessovar NMS 4.5.0" in spoken(n), "the version in About", timeout=5)
    check("About names the version", version is not None, spoken(version).splitlines()[0])
    press(find_role(about, "push button", "Close"))

    def about_closed():
        try:
            return not any(c is not None and c.get_role_name() == "alert"
                           for c in (s.app.get_child_at_index(i) for i in range(s.app.get_child_count())))
        except GLib.Error:
            return False  # the box went while it was being read: read again
    wait_for(about_closed, "About to close")

    # The filter: typed into, 1,000 nodes become those that match; the caption still counts
    # the list; Esc shows them all again.
    tree = find_role(main, "tree", "Elements")
    field = find_role(main, "text", "Filter elements")
    focus(field)
    Atspi.generate_keyboard_event(0, "site 09", Atspi.KeySynthType.STRING)
    settle_rows = wait_for(lambda: shown_rows(tree) == 100 and shown_rows(tree), "the filter to show SITE 09xx",
                           timeout=10)
    check("typing 'site 09' shows the 100 elements SITE 0900 to 0999", settle_rows == 100, str(settle_rows))
    Atspi.generate_keyboard_event(0, "9", Atspi.KeySynthType.STRING)
    wait_for(lambda: shown_rows(tree) == 10, "the filter to show SITE 099x", timeout=10)
    check("the caption still counts the whole list", any(spoken(n) == caption for n in walk(main)))
    Atspi.EditableText.set_text_contents(field, "127.1.3.250")
    wait_for(lambda: shown_rows(tree) == 1, "the filter by address", timeout=10)
    check("an address finds its element", "SITE 0999" in " ".join(
        spoken(n) for n in walk(tree) if role_of(n) == "table cell"))
    focus(field)
    Atspi.generate_keyboard_event(0xff1b, None, Atspi.KeySynthType.SYM)  # Escape
    wait_for(lambda: shown_rows(tree) > 100, "Esc to clear the filter", timeout=10)
    check("Esc empties the filter", Atspi.Text.get_text(field, 0, -1) == "")

    # View > Events hides the dock; the window is moved; File > Quit ends the program.
    check("the Events dock is shown at first", events_dock_shown(main))
    menu_entry(main, "View", "Events")
    wait_for(lambda: not events_dock_shown(main), "the Events dock to close")
    place = (137, 91, 1000, 690)
    move_window("Tessovar NMS v.", *place)
    wait_for(lambda: extents(main) == place, "the window to move to %r" % (place,))
    menu_entry(main, "File", "Quit")
    code = s.program.wait(10)
    check("File > Quit ends the program with status 0", code == 0, str(code))

    # Started again: where it was left, with the dock still closed.
    s.program = s.start_program()
    s.app = wait_for(s._application, "the program again", timeout=30)
    main = main_window(s.app)
    find(main, lambda n: spoken(n) == caption, "the list again", timeout=30)
    check("the window comes back where it was left", extents(main) == place, repr(extents(main)))
    check("the Events dock stays closed", not events_dock_shown(main))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nms", required=True)
    parser.add_argument("--sim", required=True)
    args = parser.parse_args()
    try:
        with Session(args.nms, args.sim, [ENCODER, DECODER] + [listed(n) for n in range(ELEMENTS)]) as s:
            run(s)
    except Failure as e:
        failures.append(str(e))
        print("FAIL " + str(e))
    print("%d failed" % len(failures) if failures else "everything as a desktop user expects")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
