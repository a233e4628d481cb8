"""Takes the README's screenshot: the real main window with three simulated elements, an
encoder chosen, pinged and its audio level shown.  Run by scripts/screenshot.sh."""

import argparse
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "desktop"))
from desktop_session import (DECODER, ENCODER, MULTICAST_ENCODER, Session, click, find,  # noqa: E402
                             find_role, press, spoken, value_of, wait_for)
from gi.repository import Atspi  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nms", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    with Session(args.nms, args.sim, [ENCODER, DECODER, MULTICAST_ENCODER]) as s:
        main_window = find(s.app, lambda n: n.get_role_name() == "frame" and spoken(n).startswith("Tessovar NMS"),
                           "the main window")
        tree = find_role(main_window, "tree", "Elements")
        click(find(tree, lambda n: "[00:11:22:33:44:A1]" in spoken(n), "the encoder"))
        ping = value_of(main_window, "Ping:")
        wait_for(lambda: spoken(ping) == "<Click to test>", "the encoder's panel")
        press(ping)
        wait_for(lambda: spoken(ping).endswith(" ms") or spoken(ping) == "Failed!", "the ping")
        press(find_role(main_window, "push button", "Start audio monitoring"))
        wait_for(lambda: spoken(value_of(main_window, "Audio level:")) == "-6dBFS", "the audio level")
        e = main_window.get_extents(Atspi.CoordType.SCREEN)
        image = subprocess.run(["xwd", "-root", "-silent"], check=True, capture_output=True).stdout
        ppm = subprocess.run(["xwdtopnm"], input=image, check=True, capture_output=True).stdout
        cut = subprocess.run(["pamcut", "-left", str(e.x), "-top", str(e.y), "-width", str(e.width),
                              "-height", str(e.height)], input=ppm, check=True, capture_output=True).stdout
        png = subprocess.run(["pnmtopng", "-compression", "9"], input=cut, check=True, capture_output=True).stdout
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    with open(args.out, "wb") as f:
        f.write(png)
    print("wrote %s (%dx%d)" % (args.out, e.width, e.height))


if __name__ == "__main__":
    sys.exit(main())
