#!/usr/bin/env python3
"""Fails on cleanup written by hand where one helper does it.

A catch-all block that only cleans up and throws again,
`catch (...) { cleanup; throw; }`, belongs in a scope-exit helper
(platform/rtl/scope.h) beside what it undoes, so that cleanup is written once
for every way out of the block. A test's scratch folder comes from
tests/temp_folder.h, never from its own mkdtemp or a shell's rm. Usage:
check_cleanup_catch.py [source-root]
"""
import os
import re
import sys

FOLDERS = ("platform", "unicode", "skin", "controls", "imaging", "ui", "pipeline", "burning", "core",
           "tools", "tests", "bench")
SUFFIXES = (".h", ".hpp", ".cpp", ".c", ".inc")
CATCH_ALL = re.compile(r"\bcatch\s*\(\s*\.\.\.\s*\)\s*\{")
RETHROW = re.compile(r"\bthrow\s*;\s*$")
MKDTEMP = re.compile(r"\bmkdtemp\s*\(")
SHELL_RM = re.compile(r"\bsystem\s*\([^;]*\brm\s+-")
TEMP_FOLDER = "tests/temp_folder.h"


def blank(text):
    """Returns text with comments and string and character literals blanked, lines kept."""
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
        elif c == "R" and text.startswith('"', i + 1) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            open_paren = text.find("(", i + 2)
            delim = text[i + 2:open_paren]
            j = text.find(")" + delim + '"', open_paren)
            j = n if j < 0 else j + len(delim) + 2
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
        else:
            out.append(c)
            i += 1
            continue
        out.append("".join(ch if ch == "\n" else " " for ch in text[i:j]))
        i = j
    return "".join(out)


def blank_comments(text):
    """Returns text with only its comments blanked, lines kept."""
    return re.sub(r"//[^\n]*|/\*.*?\*/", lambda m: re.sub(r"[^\n]", " ", m.group(0)), text, flags=re.S)


def closing_brace(text, open_at):
    depth = 0
    for j in range(open_at, len(text)):
        if text[j] == "{":
            depth += 1
        elif text[j] == "}":
            depth -= 1
            if depth == 0:
                return j
    return len(text)


def problems_in(path, text):
    code = blank(text)
    found = []
    for m in CATCH_ALL.finditer(code):
        body = code[m.end():closing_brace(code, m.end() - 1)]
        if RETHROW.search(body):
            line = code.count("\n", 0, m.start()) + 1
            found.append(f"{path}:{line}: catch (...) that cleans up and throws again; use rtl::TScopeExit")
    if path.startswith("tests/") and path != TEMP_FOLDER:
        # String literals stay: the command of a shell rm is one.
        bare = blank_comments(text)
        for pattern, what in ((MKDTEMP, "mkdtemp"), (SHELL_RM, "a shell rm")):
            for m in pattern.finditer(bare):
                line = bare.count("\n", 0, m.start()) + 1
                found.append(f"{path}:{line}: scratch folder by {what}; use TTempFolder from {TEMP_FOLDER}")
    return found


def scan(root):
    problems = []
    for top in FOLDERS:
        for folder, dirs, files in os.walk(os.path.join(root, top)):
            dirs.sort()
            for name in sorted(files):
                if not name.endswith(SUFFIXES):
                    continue
                path = os.path.relpath(os.path.join(folder, name), root)
                with open(os.path.join(root, path), errors="replace") as f:
                    problems += problems_in(path, f.read())
    return problems


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    problems = scan(os.path.abspath(root))
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
