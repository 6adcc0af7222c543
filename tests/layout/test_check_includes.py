#!/usr/bin/env python3
"""The include checker on small fixture trees, against the real layer table:
a tree that keeps to the table passes, and each kind of wrong include fails
with its own message."""

import contextlib
import io
import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import check_includes  # noqa: E402

TABLE = os.path.join(HERE, "layers.txt")


class Result:
    def __init__(self, argv):
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            self.returncode = check_includes.main(argv)
        self.stdout, self.stderr = out.getvalue(), err.getvalue()

# A tree that keeps to the table: every kind of allowed edge once.
GOOD = {
    "src/base/Crc32.h": "#pragma once\n",
    "src/base/Crc32.cpp": '#include "Crc32.h"\n#include <vector>\n',
    "src/base/ui/Overlay.h": '#include <QWidget>\n#include "base/Crc32.h"\n',
    "src/project/Project.h": '#include "base/Crc32.h"\n',
    "src/render/Composer.h": '#include "project/Project.h"\n#include "base/Crc32.h"\n',
    "src/render/qt/QtCodec.h": '#include <QImage>\n#include "render/Composer.h"\n',
    "src/package/Reader.h": '#include "project/Project.h"\n',
    "src/builder/Build.h": '#include "package/Reader.h"\n#include "render/Composer.h"\n',
    "src/builder/ui/Dialog.cpp": '#include <QtWidgets/QDialog>\n#include "base/ui/Overlay.h"\n',
    "src/builder/shipped/Lib.cpp": '#include "player/SupportLibrary.h"\n',
    "src/editor/ui/Page.cpp": '#include "base/ui/Overlay.h"\n#include "render/qt/QtCodec.h"\n',
    "src/app/main.cpp": '#include <QApplication>\n#include "builder/Build.h"\n#include "editor/ui/Page.cpp"\n',
    "player/common/Plan.h": '#include "render/Composer.h"\n#include "package/Reader.h"\n',
    "player/windows/main.cpp": '#include "player/common/Plan.h"\n',
    "tools/packwriter/main.cpp": '#include "package/Reader.h"\n',
}

# One wrong include each, added to the good tree: (what, file, text, the fault's words).
BAD = [
    ("base includes a part above it", "src/base/Rounding.h", '#include "project/Project.h"\n',
     'src/base/Rounding.h:1: base must not include project ("project/Project.h")'),
    ("a core includes a job", "src/render/Layer.cpp", '#include "builder/Build.h"\n',
     "render must not include builder"),
    ("an edge inside the core tier the table does not name", "src/project/Uses.cpp",
     '#include "render/Composer.h"\n', "project must not include render"),
    ("two jobs side by side", "src/editor/ui/Progress.cpp", '#include "builder/Build.h"\n',
     "editor must not include builder"),
    ("the player uses the program", "player/windows/Menu.cpp", '#include "app/main.cpp"\n',
     "player must not include app"),
    ("the player uses a job", "player/windows/Build.cpp", '#include "builder/Build.h"\n',
     "player must not include builder"),
    ("a tool uses the program", "tools/packwriter/more.cpp", '#include "app/main.cpp"\n',
     "tools must not include app"),
    ("Qt in a core", "src/project/Store.cpp", "#include <QString>\n",
     "includes the Qt header <QString> outside a ui/ or qt/ folder"),
    ("Qt by module path in a core", "src/base/Files.cpp", "#include <QtCore/QFile>\n",
     "includes the Qt header <QtCore>"),
    ("Qt in the player", "player/common/Draw.cpp", "#include <QPainter>\n",
     "<QPainter> outside a ui/ or qt/ folder"),
    ("a core reaches Qt through a ui header", "src/builder/Core.cpp",
     '#include "base/ui/Overlay.h"\n', 'a core file includes the ui/qt file "base/ui/Overlay.h"'),
    ("a generated header where it does not belong", "src/editor/Lib.cpp",
     '#include "player/SupportLibrary.h"\n', 'editor includes the generated "player/SupportLibrary.h"'),
    ("an include of nothing", "src/audio/Wave.cpp", '#include "audio/Missing.h"\n',
     '"audio/Missing.h" is no file of the tree'),
    ("a file outside every part", "src/misc/Odd.cpp", '#include "base/Crc32.h"\n',
     "belongs to no part"),
]


def run(tree):
    with tempfile.TemporaryDirectory() as root:
        for rel, text in tree.items():
            path = os.path.join(root, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
        return Result(["check_includes.py", TABLE, root])


class IncludeChecker(unittest.TestCase):
    def test_a_tree_that_keeps_to_the_table_passes(self):
        r = run(GOOD)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertEqual(r.stdout, "")

    def test_each_wrong_include_fails_with_its_reason(self):
        for what, rel, text, words in BAD:
            with self.subTest(what):
                r = run({**GOOD, rel: text})
                self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
                self.assertIn(words, r.stdout)
                self.assertEqual(len(r.stdout.splitlines()), 1, r.stdout)

    def test_a_malformed_table_is_its_own_failure(self):
        with tempfile.TemporaryDirectory() as d:
            table = os.path.join(d, "layers.txt")
            with open(table, "w") as f:
                f.write("part base src/base\nbase -> nowhere\n")
            r = Result(["check_includes.py", table, d])
            self.assertEqual(r.returncode, 2)
            self.assertIn("'nowhere' is not a part", r.stderr)


if __name__ == "__main__":
    unittest.main()
