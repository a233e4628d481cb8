#!/usr/bin/env python3
"""Checks the layering of the source tree from its #include lines.

Layers, from the bottom: core (widget-free), views (window structures), behaviours,
app.  A file may include its own layer and the layers below it, never a higher one;
core may not include a Qt Gui or Widgets header; the simulator and the fuzz targets use
core only; and no two folders include each other, directly or around a circle.

Usage: check-layers.py [--root PROJECT] [--qt-include DIR ...]
Exits 0 when the tree keeps the rules, 1 with one line per fault otherwise.
"""

import argparse
import glob
import os
import re
import sys

LAYERS = ["core", "views", "behaviours", "app"]
# Trees outside src/ that may use only the widget-free layer.
CORE_ONLY_TREES = ["tools", "fuzz"]
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def gui_headers(include_dirs):
    """Names of the Qt Gui and Widgets headers (QWidget, QtWidgets/QWidget, ...)."""
    names = set()
    roots = list(include_dirs)
    if not roots:
        roots = glob.glob("/usr/include/*/qt6") + glob.glob("/usr/include/qt6")
    for root in roots:
        for module in ("QtGui", "QtWidgets"):
            folder = os.path.join(root, module)
            if not os.path.isdir(folder):
                continue
            names.add(module)
            for name in os.listdir(folder):
                names.add(name)
                names.add(module + "/" + name)
    return names


def is_gui_header(name, known):
    if name.startswith(("QtGui/", "QtWidgets/")) or name in ("QtGui", "QtWidgets"):
        return True
    return name in known


def sources(folder):
    for dirpath, _, files in os.walk(folder):
        for f in sorted(files):
            if f.endswith((".h", ".cpp")):
                yield os.path.join(dirpath, f)


def includes(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if m:
                yield number, m.group(1) == '"', m.group(2)


def layer_of(rel):
    top = rel.split("/", 1)[0]
    return LAYERS.index(top) if top in LAYERS else None


def find_cycles(edges):
    """Strongly connected components with more than one folder (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in edges.get(v, ()):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for v in sorted(edges):
        if v not in index:
            visit(v)
    return found


def check(root, qt_dirs):
    src = os.path.join(root, "src")
    known_gui = gui_headers(qt_dirs)
    faults = []
    folder_edges = {}
    example = {}
    count = 0

    for path in sources(src):
        rel = os.path.relpath(path, src)
        here = os.path.dirname(rel)
        layer = layer_of(rel)
        if layer is None:
            faults.append(f"src/{rel}: not in a layer folder ({', '.join(LAYERS)})")
            continue
        for line, quoted, name in includes(path):
            count += 1
            where = f"src/{rel}:{line}"
            if not quoted:
                if layer == 0 and is_gui_header(name, known_gui):
                    faults.append(f"{where}: widget-free code includes the Qt Gui/Widgets header <{name}>")
                continue
            if "/" in name:
                target = os.path.normpath(name)
            else:
                target = os.path.normpath(os.path.join(here, name))
            if not os.path.isfile(os.path.join(src, target)):
                if os.path.isfile(os.path.join(os.path.dirname(path), name)):
                    target = os.path.normpath(os.path.join(here, name))
                else:
                    faults.append(f'{where}: "{name}" is not a file of src/ (include by the path from src/)')
                    continue
            target_layer = layer_of(target)
            if target_layer is not None and target_layer > layer:
                faults.append(
                    f'{where}: {LAYERS[layer]} includes the higher layer {LAYERS[target_layer]} ("{name}")')
            there = os.path.dirname(target)
            if there != here:
                folder_edges.setdefault(here, set()).add(there)
                example.setdefault((here, there), f'{where} includes "{name}"')

    for tree in CORE_ONLY_TREES:
        for path in sources(os.path.join(root, tree)):
            rel = os.path.relpath(path, root)
            for line, quoted, name in includes(path):
                count += 1
                where = f"{rel}:{line}"
                if not quoted:
                    if is_gui_header(name, known_gui):
                        faults.append(f"{where}: widget-free tool includes <{name}>")
                    continue
                target_layer = layer_of(name) if "/" in name else None
                if target_layer is not None and target_layer > 0:
                    faults.append(f'{where}: a widget-free tool includes {LAYERS[target_layer]} ("{name}")')

    for component in find_cycles(folder_edges):
        ring = set(component)
        links = [example[(a, b)] for a in component for b in sorted(folder_edges.get(a, ()))
                 if b in ring and (a, b) in example]
        faults.append("include circle between the folders " + ", ".join(component) + ": " + "; ".join(links))

    return faults, count


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--root", default=os.path.dirname(here))
    parser.add_argument("--qt-include", action="append", default=[])
    args = parser.parse_args()
    faults, count = check(args.root, args.qt_include)
    for fault in faults:
        print(fault)
    if faults:
        print(f"check-layers: {len(faults)} fault(s)")
        return 1
    print(f"check-layers: {count} includes keep the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
