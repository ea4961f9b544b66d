#!/usr/bin/env python3
"""Fails when an include in src/ points up the layers, or files include each
other in a circle.

The layers, lowest first; a file may include headers of its own layer and of
the layers below it. A page (pages/) includes no other page's header, and
no two modules (a .h with its .cc) reach each other through includes.

    tools/check_layers.py [SRC]      exit 0 when clean, 1 with one line a fault
"""
import os
import re
import sys

LAYERS = ["platform", "text", "storage", "board", "cgi", "html", "pages", "app"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    src = os.path.normpath(src)
    faults = []
    graph = {}  # module ("html/frame") -> modules it includes
    for root, _, names in os.walk(src):
        for name in sorted(names):
            if not name.endswith((".h", ".cc")):
                continue
            path = os.path.join(root, name)
            rel = os.path.relpath(path, src)
            layer = rel.split(os.sep)[0]
            if layer not in LAYERS:
                faults.append(f"{rel}: folder '{layer}' is not a layer")
                continue
            module = os.path.splitext(rel)[0]
            edges = graph.setdefault(module, set())
            with open(path, encoding="utf-8") as f:
                text = f.read()
            for inc in INCLUDE.findall(text):
                target_layer = inc.split("/")[0]
                if target_layer not in LAYERS:
                    # Only generated tables sit beside their user; anything
                    # else must be named from the top of src/ (a relative
                    # path would hide which layer it reaches).
                    if not (inc.endswith(".inc") and "/" not in inc):
                        faults.append(f"{rel}: includes \"{inc}\", not named by its layer")
                    continue
                if LAYERS.index(target_layer) > LAYERS.index(layer):
                    faults.append(f"{rel}: includes {inc}, a layer above ({layer} < {target_layer})")
                target = os.path.splitext(inc)[0]
                if layer == "pages" and target_layer == "pages" and target != module:
                    faults.append(f"{rel}: a page includes another page ({inc})")
                if target != module:
                    edges.add(target)
    faults += circles(graph)
    for fault in faults:
        print(fault)
    print(f"layers: {len(graph)} modules, {len(faults)} faults")
    return 1 if faults else 0


def circles(graph):
    """One line for every group of modules that reach each other (Tarjan)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(graph.get(v, ())):
            if w not in graph:
                continue
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                found.append("circle: " + " <-> ".join(sorted(group)))

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return found


if __name__ == "__main__":
    sys.exit(main())
