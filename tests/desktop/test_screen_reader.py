"""The desktop tier: the real program in a real window, read and worked through AT-SPI as
a screen reader reads and works it.  Every value is looked up by the caption the
operator sees and read from what the reader announces (the accessible name).

Usage (through run-desktop-test.sh): test_screen_reader.py --nms BIN --sim BIN
"""

import argparse
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import (DECODER, ENCODER, Failure, Session, click, do_action, find,  # noqa: E402
                             find_role, press, spoken, value_of, wait_for)
from gi.repository import Atspi  # noqa: E402

failures = []


def check(what, got, expected):
    """expected: the exact text, or a compiled pattern the whole text must match."""
    ok = expected.fullmatch(got) is not None if isinstance(expected, re.Pattern) else got == expected
    want = expected.pattern if isinstance(expected, re.Pattern) else expected
    print("%s %s reads %r%s" % ("ok  " if ok else "FAIL", what, got, "" if ok else ", expected %r" % want))
    if not ok:
        failures.append(what)


def read(root, caption):
    try:
        return spoken(value_of(root, caption))
    except Failure as e:
        return "<%s>" % e


def settle(predicate, timeout=5.0):
    """Waits until predicate() holds; a check that follows reports what was read."""
    end = time.monotonic() + timeout
    while not predicate() and time.monotonic() < end:
        time.sleep(0.05)


def text_of(node):
    return Atspi.Text.get_text(node, 0, -1)


def element_node(main, mac):
    """The element's node in the tree: its text, then the fleet check's state of it."""
    tree = find_role(main, "tree", "Elements")
    return find(tree, lambda n: n.get_role_name() == "table cell" and "[%s]" % mac in spoken(n), mac)


def choose(main, mac, address):
    click(element_node(main, mac))
    ip = find_role(main, "text", "Device IP")
    wait_for(lambda: text_of(ip) == address, "the panel to show " + mac)


def screen_titles():
    """The titles the window system holds for the program's windows (_NET_WM_NAME)."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
    titles = []
    for window in re.findall(r"^\s+(0x[0-9a-f]+) ", tree, re.M):
        prop = subprocess.run(["xprop", "-id", window, "_NET_WM_NAME"], capture_output=True, text=True).stdout
        m = re.match(r'_NET_WM_NAME\(UTF8_STRING\) = "(.*)"$', prop.strip())
        if m:
            titles.append(m.group(1))
    return titles


def toolbar_button(main, name):
    return find_role(main, "push button", name)


def run(s):
    # The notice, ticked through the reader's toggle action: the answer is stored.
    notice = find_role(s.app, "dialog", "Tessovar NMS")
    agree = find(notice, lambda n: n.get_role_name() == "check box", "the notice's check box")
    do_action(agree, "Toggle")
    settle(lambda: s.setting("EULA1") == "1")
    check("EULA1 after the toggle action", s.setting("EULA1") or "(absent)", "1")
    press(find_role(notice, "push button", "Close"))
    main = find(s.app, lambda n: n.get_role_name() == "frame" and spoken(n).startswith("Tessovar NMS v."),
                "the main window")
    # The title bar shows the title as it stands: nothing appended by the toolkit.
    settle(lambda: spoken(main) in screen_titles())
    titles = [t for t in screen_titles() if t.startswith("Tessovar NMS v.")]
    check("the main window's title on the screen", " | ".join(titles), spoken(main))

    # An encoder: identity, latency, ping, the level meter started and stopped by name.
    choose(main, "00:11:22:33:44:A1", "127.0.0.2")
    node = element_node(main, "00:11:22:33:44:A1")
    settle(lambda: "answering" in spoken(node))
    check("the encoder's node", spoken(node),
          re.compile(r"STUDIO ONE +\[00:11:22:33:44:A1\], answering, round trip .+"))
    for caption, value in (("Device type:", "ENCODER"), ("MAC address:", "00:11:22:33:44:A1"),
                           ("DSP version:", "3.5"), ("Serial number:", "1234"), ("Latency", "2.5mS")):
        check(caption, read(main, caption), value)
    ping = value_of(main, "Ping:")
    press(ping)
    settle(lambda: re.fullmatch(r"\d+ ms|Failed!", spoken(ping)) is not None)
    check("Ping: after pressing it", spoken(ping), re.compile(r"\d+ ms|Failed!"))
    press(toolbar_button(main, "Start audio monitoring"))
    settle(lambda: read(main, "Audio level:") == "-6dBFS")
    check("Audio level: while monitoring", read(main, "Audio level:"), "-6dBFS")
    press(toolbar_button(main, "Stop audio monitoring"))
    settle(lambda: read(main, "Audio level:") == "-oodBFS")
    check("Audio level: after stopping", read(main, "Audio level:"), "-oodBFS")

    # A decoder in a single-frequency network: attenuation, buffer and silence detector.
    choose(main, "00:11:22:33:44:B2", "127.0.0.3")
    for caption, value in (("Device type:", "DECODER"), ("Attenuation", "-27.5 dB"), ("Latency", "12.5mS"),
                           ("Threshold", "-18.4dBu"), ("Timeout", "19.6Sec")):
        check(caption, read(main, caption), value)

    # Its counters, from the element's diagnostics responder.
    press(value_of(main, "Statistics:"))
    stats = find_role(s.app, "dialog", "Statistics")
    count = re.compile(r"\d+")
    settle(lambda: count.fullmatch(read(stats, "Good TX Frames:")) is not None)
    ratio = re.compile(r"\d+ \(\d+(\.\d+)?%\)")
    nanoseconds = re.compile(r"-?\d+ nS")
    for caption, value in (("Good TX Frames:", count), ("Bad TX Frames:", ratio), ("Good RX Frames:", count),
                           ("Bad RX Frames:", ratio), ("OK Audio Frames:", count), ("Bad Audio Frames:", ratio),
                           ("Good PTP Sync:", count), ("Bad PTP Sync:", count),
                           ("Clock Difference:", nanoseconds), ("Measured delay:", nanoseconds)):
        check(caption, read(stats, caption), value)
    if count.fullmatch(read(stats, "Good TX Frames:")):
        before = int(read(stats, "Good TX Frames:"))
        press(find_role(stats, "push button", "Refresh"))
        settle(lambda: int(read(stats, "Good TX Frames:")) > before)
        check("Good TX Frames: after Refresh grew from %d" % before, str(int(read(stats, "Good TX Frames:")) > before),
              "True")
    # Escape closes it, as the keyboard closes any dialog.
    click(find_role(stats, "push button", "Refresh"))
    Atspi.generate_keyboard_event(0xff1b, None, Atspi.KeySynthType.SYM)  # Escape
    wait_for(lambda: not any(w is not None and w.get_role_name() == "dialog"
                             for w in (s.app.get_child_at_index(i) for i in range(s.app.get_child_count()))),
             "the statistics window to close")

    # Refresh list, pressed by name, empties the panel.
    press(toolbar_button(main, "Refresh list"))
    settle(lambda: read(main, "Device type:") == "-")
    check("Device type: after Refresh list", read(main, "Device type:"), "-")
    check("Ping: after Refresh list", spoken(ping), "<Unknown>")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nms", required=True)
    parser.add_argument("--sim", required=True)
    args = parser.parse_args()
    try:
        with Session(args.nms, args.sim, [ENCODER, DECODER], agreed=False) as s:
            run(s)
    except Failure as e:
        failures.append(str(e))
        print("FAIL " + str(e))
    print("%d failed" % len(failures) if failures else "everything read as shown")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
