#!/usr/bin/env python3
"""Fails when an #include runs against the layer order of the source tree.

Layers, top to bottom (docs/architecture.md):
  4  ui/ pipeline/ burning/ core/        the application
  3  imaging/*                           the image library
  2  skin/ controls/*                    look and extra controls
  1  unicode/                            wide strings and windows
  0  platform/*                          our own platform layer
A file may include its own layer or lower ones. Between folders there may be
no cycle, except inside a group of folders that build one library target
(ONE_TARGET). Usage: check_layers.py [source-root]
"""
import os
import re
import sys

RANK = {"ui": 4, "pipeline": 4, "burning": 4, "core": 4, "imaging": 3,
        "skin": 2, "controls": 2, "unicode": 1, "platform": 0}
TWO_LEVEL = {"platform", "imaging", "controls"}
# Folders that build one library together may include each other.
ONE_TARGET = {"imaging/bitmaps": "imaging/core", "imaging/processing": "imaging/core"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SUFFIXES = (".h", ".hpp", ".cpp", ".c", ".inc")


def unit(path):
    parts = path.split("/")
    name = "/".join(parts[:2]) if parts[0] in TWO_LEVEL and len(parts) > 2 else parts[0]
    return ONE_TARGET.get(name, name)


def scan(root):
    """Returns (problems, edges) for the tree at root."""
    problems, edges = [], {}
    for top in sorted(RANK):
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not name.endswith(SUFFIXES):
                    continue
                path = os.path.relpath(os.path.join(folder, name), root)
                with open(os.path.join(root, path), errors="replace") as f:
                    text = f.read()
                for m in INCLUDE.finditer(text):
                    target = m.group(1)
                    if target.split("/")[0] not in RANK:
                        continue
                    a, b = unit(path), unit(target)
                    if a == b:
                        continue
                    if RANK[b.split("/")[0]] > RANK[a.split("/")[0]]:
                        line = text.count("\n", 0, m.start()) + 1
                        problems.append(f"{path}:{line}: includes {target} from a higher layer")
                    edges.setdefault(a, {}).setdefault(b, f"{path} includes {target}")
    return problems + cycles(edges), edges


def cycles(edges):
    found, state = [], {}

    def visit(node, trail):
        state[node] = 1
        for nxt, why in sorted(edges.get(node, {}).items()):
            if state.get(nxt) == 1:
                loop = trail[trail.index(nxt):] + [nxt] if nxt in trail else [node, nxt]
                found.append("folder cycle " + " -> ".join(loop) + f" ({why})")
            elif nxt not in state:
                visit(nxt, trail + [nxt])
        state[node] = 2

    for node in sorted(edges):
        if node not in state:
            visit(node, [node])
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    problems, _ = scan(os.path.abspath(root))
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
