"""The real program in a real window: Xvfb, the session and accessibility buses, simulated
elements on loopback addresses, and the look-ups a screen reader makes through AT-SPI.

Run inside a private network namespace (tests/run-in-netns.sh) and a D-Bus session
(dbus-run-session), with the system interpreter: the elements bind 127.0.0.x there, and
nothing reaches another network.
"""

import ctypes
import os
import shutil
import signal
import subprocess
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

# The elements the database lists: section, stored keys, element-sim options.
ENCODER = ("0011223344A1",
           {"NAME": "STUDIO ONE      ", "IP": "127.0.0.2", "MASK": "255.255.255.0", "GW": "127.0.0.1",
            "INPUT": "1", "TYPE": "1", "TX": "0", "REMOTE": "127.0.0.3", "ROLE": "1", "SN": "1234",
            "VER": "3.5", "SFN": "0", "BUF": "0", "LLO": "0"},
           ["--role", "encoder", "--name", "STUDIO ONE", "--ip", "127.0.0.2", "--bind", "127.0.0.2",
            "--serial", "1234", "--firmware", "3.5", "--tone", "-6"])
DECODER = ("0011223344B2",
           {"NAME": "TRANSMITTER A   ", "IP": "127.0.0.3", "MASK": "255.255.0.0", "GW": "127.0.0.254",
            "INPUT": "0", "TYPE": "0", "TX": "1", "MULTI": "239.1.2.3", "ROLE": "2", "SN": "777",
            "VER": "3.49", "SFN": "1", "BUF": "4", "ATT": "200", "SDM": "0", "SDL": "37", "SDT": "43",
            "LLO": "0"},
           ["--role", "decoder", "--name", "TRANSMITTER A", "--ip", "127.0.0.3", "--bind", "127.0.0.3",
            "--serial", "777", "--firmware", "3.49", "--sfn", "1", "--buffer", "4", "--att", "200"])
MULTICAST_ENCODER = ("0011223344C3",
                     {"NAME": "STUDIO TWO      ", "IP": "127.0.0.4", "MASK": "255.255.255.0",
                      "GW": "127.0.0.1", "INPUT": "0", "TYPE": "1", "TX": "1", "MULTI": "239.1.2.3",
                      "ROLE": "1", "SN": "1235", "VER": "3.5", "SFN": "0", "BUF": "0", "LLO": "0"},
                     ["--role", "encoder", "--name", "STUDIO TWO", "--ip", "127.0.0.4", "--bind",
                      "127.0.0.4", "--serial", "1235", "--firmware", "3.5", "--tx", "1"])


class Failure(Exception):
    pass


def _ends_with_us():
    # A child still running when this script is killed (a test time-out) ends with it.
    ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def spawn(args, **kwargs):
    return subprocess.Popen(args, preexec_fn=_ends_with_us, **kwargs)


def wait_for(predicate, what, timeout=10.0):
    """Polls until predicate() gives a true value and returns it."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.05)


def spoken(node):
    """What a screen reader announces as the control itself: its accessible name."""
    node.clear_cache()
    return node.get_name() or ""


def description(node):
    node.clear_cache()
    return node.get_description() or ""


def walk(node):
    try:
        count = node.get_child_count()
    except GLib.Error:
        return
    yield node
    for i in range(count):
        try:
            child = node.get_child_at_index(i)
        except GLib.Error:
            continue
        if child is not None:
            yield from walk(child)


def find(root, predicate, what, timeout=10.0):
    def look():
        for node in walk(root):
            try:
                if predicate(node):
                    return node
            except GLib.Error:
                pass
        return None
    return wait_for(look, what, timeout)


def find_role(root, role, name, timeout=10.0):
    return find(root, lambda n: n.get_role_name() == role and spoken(n) == name,
                "%s %r" % (role, name), timeout)


def related(node, relation):
    out = []
    for r in node.get_relation_set():
        if r.get_relation_type() == relation:
            out += [r.get_target(i) for i in range(r.get_n_targets())]
    return out


def value_of(root, caption):
    """The control a visible caption ("Device type:") names for a screen reader, found as
    Orca finds it: the label's label-for relation, or the control described by the
    caption; failing both, a control that carries the caption as its name."""
    text = caption.rstrip(":")
    named = None
    for node in walk(root):
        try:
            if node.get_role_name() == "label" and spoken(node) == caption:
                targets = [t for t in related(node, Atspi.RelationType.LABEL_FOR) if t.get_role_name() != "panel"]
                if targets:
                    return targets[0]
            elif description(node) == text:
                return node
            elif named is None and spoken(node) == text:
                named = node
        except GLib.Error:
            pass
    if named is not None:
        return named
    raise Failure("no control is tied to the caption %r" % caption)


def do_action(node, name):
    for i in range(Atspi.Action.get_n_actions(node)):
        if Atspi.Action.get_action_name(node, i) == name:
            Atspi.Action.do_action(node, i)
            return
    raise Failure("%r offers no %s action" % (spoken(node), name))


def press(node):
    do_action(node, "Press")


def move_window(title_start, x, y, width, height):
    """Moves and resizes the program's top-level window as a window manager would (Xlib
    through ctypes; Xvfb runs none)."""
    lib = ctypes.CDLL("libX11.so.6")
    lib.XOpenDisplay.restype = ctypes.c_void_p
    lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    lib.XDefaultRootWindow.restype = ctypes.c_ulong
    lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    lib.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                               ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                               ctypes.POINTER(ctypes.c_uint)]
    lib.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
    lib.XMoveResizeWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                      ctypes.c_uint, ctypes.c_uint]
    lib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = lib.XOpenDisplay(None)
    if not display:
        raise Failure("cannot open the display")
    try:
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        lib.XQueryTree(display, lib.XDefaultRootWindow(display), ctypes.byref(root), ctypes.byref(parent),
                       ctypes.byref(children), ctypes.byref(count))
        for i in range(count.value):
            name = ctypes.c_char_p()
            if lib.XFetchName(display, children[i], ctypes.byref(name)) and name.value and \
                    name.value.decode("utf-8", "replace").startswith(title_start):
                lib.XMoveResizeWindow(display, children[i], x, y, width, height)
                lib.XSync(display, 0)
                return
        raise Failure("no window titled %r..." % title_start)
    finally:
        lib.XCloseDisplay(display)


def click(node):
    """A mouse click in the middle of the control (the element tree chooses a node only
    when the operator does: a click or the keyboard)."""
    e = node.get_extents(Atspi.CoordType.SCREEN)
    Atspi.generate_mouse_event(e.x + e.width // 2, e.y + e.height // 2, "b1c")


class Session:
    """Xvfb, the simulated elements and the program, with its own database, settings and
    runtime folder; everything is stopped and removed on leaving."""

    def __init__(self, nms, sim, elements, agreed=True, screen="1280x800x24"):
        self.nms, self.sim, self.elements, self.agreed, self.screen = nms, sim, elements, agreed, screen
        self.processes = []
        self.home = tempfile.mkdtemp(prefix="tessovar-desktop-")

    def path(self, *parts):
        return os.path.join(self.home, *parts)

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        for p in reversed(self.processes):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        shutil.rmtree(self.home, ignore_errors=True)

    def _start(self):
        for d in ("config/Veltrana", "runtime", "db"):
            os.makedirs(self.path(d))
        os.chmod(self.path("runtime"), 0o700)
        with open(self.path("db", "nms.ini"), "wb") as f:
            for section, keys, _ in self.elements:
                f.write(("[%s]\r\n" % section).encode("latin-1"))
                for k, v in keys.items():
                    f.write(("%s=%s\r\n" % (k, v)).encode("latin-1"))
        with open(self.path("config", "Veltrana", "Veltrana.conf"), "w") as f:
            f.write("[Tessovar]\nNMS%20IP%20Address=127.0.0.1\n" + ("EULA1=1\n" if self.agreed else ""))
        self._start_display()
        self._start_elements()
        self.env = dict(os.environ, XDG_CONFIG_HOME=self.path("config"), XDG_RUNTIME_DIR=self.path("runtime"),
                        TESSOVAR_NMS_DATABASE_DIR=self.path("db"), TESSOVAR_MESSAGE_LOG=self.path("messages.log"),
                        QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.program = self.start_program()
        self.app = wait_for(self._application, "the program on the accessibility bus")

    def _start_display(self):
        # Xvfb picks a free display itself, and never resets (a reset when the last client
        # leaves would refuse the program connecting at that moment); the accessibility bus
        # and its registry (which synthesises the mouse and keys) are started on demand by
        # the session bus, so they are told the display (and the runtime folder) first.
        r, w = os.pipe()
        self.processes.append(spawn(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", self.screen, "-nolisten", "tcp", "-noreset"],
            pass_fds=[w], stderr=subprocess.DEVNULL))
        os.close(w)
        with os.fdopen(r) as f:
            display = f.readline().strip()
        if not display:
            raise Failure("Xvfb did not start")
        os.environ["DISPLAY"] = ":" + display
        # The accessibility bus's socket is named after the display and lies in the runtime
        # folder (in ~/.cache without one): a session of its own needs a folder of its own.
        subprocess.run(["dbus-update-activation-environment", "DISPLAY=:" + display,
                        "XDG_RUNTIME_DIR=" + self.path("runtime")], check=True)

    def _start_elements(self):
        with open(self.path("elements.txt"), "w") as f:
            for _, _, options in self.elements:
                if options is None:  # listed in the database only
                    continue
                f.write(" ".join('"%s"' % o if " " in o else o for o in options) + "\n")
        ready = self.path("elements.ready")
        sim = spawn([self.sim, "--many", self.path("elements.txt"), "--ready-file", ready],
                               stdout=subprocess.DEVNULL)
        self.processes.append(sim)
        wait_for(lambda: os.path.exists(ready) or sim.poll() is not None, "the simulated elements")
        if sim.poll() is not None:
            raise Failure("element-sim ended: %d" % sim.returncode)

    def start_program(self, *args):
        p = spawn([self.nms, *args], env=self.env)
        self.processes.append(p)
        return p

    def _application(self):
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_process_id() == self.program.pid:
                return app
        if self.program.poll() is not None:
            raise Failure("the program ended: %d" % self.program.returncode)
        return None

    def messages(self):
        try:
            with open(self.path("messages.log"), encoding="utf-8") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def setting(self, key):
        with open(self.path("config", "Veltrana", "Veltrana.conf")) as f:
            for line in f:
                if line.startswith(key + "="):
                    return line.strip().split("=", 1)[1]
        return None
