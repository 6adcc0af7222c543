#!/usr/bin/env python3
"""Checks the #include "..." lines of a source tree against the layer table.

Usage: check_includes.py TABLE ROOT
Prints one line per include against the table and exits 1 when there is any,
0 when the tree keeps to it, 2 when the table itself is malformed.
"""

import fnmatch
import os
import re
import sys

SOURCE_DIRS = ("src", "player", "tools")
SOURCE_ENDINGS = (".h", ".hpp", ".cpp", ".cc", ".c", ".inl")
INCLUDE_ROOTS = ("src", "")  # the include directories: src/ and the top of the tree
LOCAL_INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
QT_INCLUDE = re.compile(r"^\s*#\s*include\s*<(Q[A-Za-z0-9_]*)(?:/[^>]*)?>")


class TableError(Exception):
    pass


class Table:
    def __init__(self, path):
        self.parts = {}  # folder -> part
        self.allowed = {}  # part -> set of parts
        self.generated = {}  # header -> set of parts
        self.qt = []  # folder patterns
        with open(path, encoding="utf-8") as f:
            for number, raw in enumerate(f, 1):
                line = raw.split("#", 1)[0].strip()
                if not line:
                    continue
                words = line.split()
                where = f"{path}:{number}"
                if words[0] == "part":
                    if len(words) < 3:
                        raise TableError(f"{where}: a part needs a name and a folder")
                    for folder in words[2:]:
                        self.parts[folder.strip("/")] = words[1]
                    self.allowed.setdefault(words[1], set())
                elif words[0] == "generated":
                    if len(words) < 3 or words[2] != "->":
                        raise TableError(f"{where}: generated <header> -> <part>...")
                    self.generated[words[1]] = set(words[3:])
                elif words[0] == "qt":
                    self.qt.extend(w.strip("/") for w in words[1:])
                elif len(words) >= 2 and words[1] == "->":
                    self.allowed.setdefault(words[0], set()).update(words[2:])
                else:
                    raise TableError(f"{where}: cannot read '{line}'")
        names = set(self.parts.values())
        for part, targets in list(self.allowed.items()) + list(self.generated.items()):
            for t in targets | ({part} if part in self.allowed else set()):
                if t not in names:
                    raise TableError(f"{path}: '{t}' is not a part")

    def part_of(self, rel):
        best = None
        for folder, part in self.parts.items():
            if rel == folder or rel.startswith(folder + "/"):
                if best is None or len(folder) > len(best[0]):
                    best = (folder, part)
        return best[1] if best else None

    def qt_allowed(self, rel):
        folders = rel.split("/")[:-1]
        for pattern in self.qt:
            pat = pattern.split("/")
            # A pattern matches the file's folder or any folder above it,
            # starting anywhere for a pattern that begins with "*".
            starts = range(len(folders)) if pat[0] == "*" else [0]
            for s in starts:
                if len(folders) - s >= len(pat) and all(
                    fnmatch.fnmatchcase(folders[s + k], pat[k]) for k in range(len(pat))
                ):
                    return True
        return False


def in_ui_folder(rel):
    return any(p in ("ui", "qt") for p in rel.split("/")[:-1])


def source_files(root):
    for top in SOURCE_DIRS:
        base = os.path.join(root, top)
        for folder, dirs, files in os.walk(base):
            dirs.sort()
            for name in sorted(files):
                if name.endswith(SOURCE_ENDINGS):
                    yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def resolve(root, rel, header):
    """The tree path an include names, or None when no file of the tree has it."""
    here = os.path.dirname(rel)
    for base in (here,) + INCLUDE_ROOTS:
        candidate = os.path.normpath(os.path.join(base, header)).replace(os.sep, "/")
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def check(table, root, table_name="the layer table"):
    faults = []
    for rel in source_files(root):
        part = table.part_of(rel)
        with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
            lines = f.readlines()
        for number, line in enumerate(lines, 1):
            where = f"{rel}:{number}"
            qt = QT_INCLUDE.match(line)
            if qt and not table.qt_allowed(rel):
                faults.append(f"{where}: includes the Qt header <{qt.group(1)}> outside a ui/ or qt/ folder")
                continue
            m = LOCAL_INCLUDE.match(line)
            if not m:
                continue
            header = m.group(1)
            if part is None:
                faults.append(f"{where}: the file belongs to no part of {table_name}")
                continue
            target = resolve(root, rel, header)
            if target is None:
                users = table.generated.get(header)
                if users is None:
                    faults.append(f'{where}: "{header}" is no file of the tree nor a generated header')
                elif part not in users:
                    faults.append(f'{where}: {part} includes the generated "{header}", allowed for {", ".join(sorted(users))} only')
                continue
            to = table.part_of(target)
            if to is None:
                faults.append(f'{where}: "{header}" belongs to no part')
                continue
            if to != part and to not in table.allowed.get(part, set()):
                faults.append(f'{where}: {part} must not include {to} ("{header}")')
                continue
            if in_ui_folder(target) and not in_ui_folder(rel) and not table.qt_allowed(rel):
                faults.append(f'{where}: a core file includes the ui/qt file "{header}"')
    return faults


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        table = Table(argv[1])
    except (TableError, OSError) as e:
        print(f"layer table: {e}", file=sys.stderr)
        return 2
    faults = check(table, argv[2], os.path.basename(argv[1]))
    for f in faults:
        print(f)
    if faults:
        print(f"{len(faults)} include(s) against {argv[1]}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
