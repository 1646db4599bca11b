#!/usr/bin/env python3
"""Checks that every C++ file includes only what its folder's layer may use.

The editor is built in layers: the core (platform, commands, format, pak,
resources, document and the 3D scene logic) knows nothing of Qt or OpenGL,
the render device knows OpenGL but not Qt, and only the GUI folders use Qt.
Each folder uses only the folders below it. The build proves part of this
through the libraries each folder links; this check proves the rest, file by
file, and names the offending include with its file and line.

Usage: check_layers.py [ROOT]   (ROOT defaults to the repository)
Exit 0 when every include is allowed, 1 otherwise.
"""

import os
import re
import sys

# Project folders (as written in include paths) and the folders each may use,
# itself included. A folder missing here may not be included from anywhere.
CORE = {
    "platform": set(),
    "commands": set(),
    "format": {"platform"},
    "pak": {"platform"},
    "resources": {"pak", "format", "platform"},
    "document": {"resources", "pak", "format", "platform"},
    "view3d": {"document", "resources", "pak", "format", "platform"},
}
DEVICE = {
    "view3d/device": {"view3d", "document", "resources", "pak", "format", "platform"},
}
_CORE_ALL = set(CORE) | {"commands"}
GUI = {
    "tree": _CORE_ALL,
    "textedit": _CORE_ALL,
    "editors": _CORE_ALL,
    "view3d/widget": _CORE_ALL | {"view3d/device"},
    "app": _CORE_ALL | {"view3d/device", "tree", "textedit", "editors", "view3d/widget"},
}
EXECUTABLES = {
    # vmed is built without Qt: it may use the core and the render device
    # (it draws minimaps offscreen).
    "cli": _CORE_ALL | {"cli"} | set(DEVICE),
    "main": _CORE_ALL | set(DEVICE) | set(GUI),
}
ALLOWED = {}
for table in (CORE, DEVICE, GUI, EXECUTABLES):
    for folder, uses in table.items():
        ALLOWED[folder] = set(uses) | {folder}

# Header families by what they drag in, matched against <...> includes.
QT = re.compile(r"^(Q[A-Za-z0-9_]*(\.h)?|Qt[A-Za-z0-9_]*/.*|Qsci/.*|qscintilla.*)$")
OPENGL = re.compile(r"^(GL/.*|GLES[0-9]*/.*|EGL/.*|epoxy/.*|KHR/.*)$")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def folder_of(rel):
    """The layer folder of a source path relative to src/ (or a test folder)."""
    parts = rel.split("/")
    if len(parts) >= 3 and parts[0] == "view3d" and parts[1] in ("device", "widget"):
        return "view3d/" + parts[1]
    return parts[0] if len(parts) > 1 else None


def rules_for(path):
    """(folder, allowed project folders, Qt allowed, OpenGL allowed) for a file."""
    parts = path.split("/")
    top = parts[0]
    if top == "src":
        folder = folder_of("/".join(parts[1:]))
    elif top == "tests":
        # Tests of a folder live by that folder's rules, with the shared test
        # helpers beside them.
        if len(parts) < 3 or parts[1] == "support":
            return None
        folder = folder_of("/".join(parts[1:]))
        # The 3D view's window tests drive the whole main window.
        if folder == "gui3d":
            folder = "app"
    elif top in ("bench", "tools"):
        # Benchmarks and tools measure and feed the core; the window
        # benchmarks under bench/gui may use the GUI folders, those under
        # bench/gl the render device.
        if path.startswith("bench/gui/"):
            folder = "app"
        elif path.startswith("bench/gl/"):
            folder = "view3d/device"
        else:
            folder = "view3d"
    else:
        return None
    if folder not in ALLOWED:
        return (folder, set(), False, False)
    gui = folder in GUI or folder == "main"
    gl = gui or folder in DEVICE
    allowed = set(ALLOWED[folder])
    if top == "tests":
        allowed |= {"support"}
    elif top == "bench":
        allowed |= {"bench"}
    return (folder, allowed, gui, gl)


def included_folder(name):
    parts = name.split("/")
    if len(parts) < 2:
        return None
    if parts[0] == "view3d" and len(parts) >= 3 and parts[1] in ("device", "widget"):
        return "view3d/" + parts[1]
    return parts[0]


def check_file(root, path):
    rules = rules_for(path)
    if rules is None:
        return []
    folder, allowed, qt_ok, gl_ok = rules
    problems = []
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            kind, name = m.groups()
            what = f"{kind}{name}{'>' if kind == '<' else kind}"
            if kind == "<":
                if QT.match(name) and not qt_ok:
                    problems.append(f"{path}:{number}: {what}: Qt is not allowed in '{folder}'")
                elif OPENGL.match(name) and not gl_ok:
                    problems.append(f"{path}:{number}: {what}: OpenGL is not allowed in '{folder}'")
                continue
            target = included_folder(name)
            if target is None:
                continue
            if target == "support" and name.split("/")[-1].startswith("Qt") and not qt_ok:
                problems.append(f"{path}:{number}: {what}: Qt test helpers are not allowed in '{folder}'")
            elif target not in allowed:
                problems.append(f"{path}:{number}: {what}: '{folder}' may not use '{target}'")
    return problems


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    problems = []
    files = 0
    for top in ("src", "tests", "bench", "tools"):
        for dirpath, dirnames, filenames in os.walk(os.path.join(root, top)):
            dirnames.sort()
            for name in sorted(filenames):
                if not name.endswith((".h", ".hpp", ".cpp", ".cc")):
                    continue
                rel = os.path.relpath(os.path.join(dirpath, name), root).replace(os.sep, "/")
                files += 1
                problems.extend(check_file(root, rel))
    for p in problems:
        print(p)
    if problems:
        print(f"layers: {len(problems)} include(s) break the layering")
        return 1
    print(f"layers: {files} files checked, every include allowed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
