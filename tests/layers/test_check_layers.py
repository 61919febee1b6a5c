#!/usr/bin/env python3
"""The layer check on small trees: each case is one tree and what it must say."""
import json
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import check_layers  # noqa: E402

TABLE = [
    {"name": "zarn_base", "dirs": ["base"], "uses": [], "headers": [], "posix": True},
    {"name": "zarn_core", "dirs": ["core/util"], "uses": ["zarn_base"], "headers": [], "posix": False},
    {"name": "zarn_common", "dirs": ["platform/common"], "uses": ["zarn_base"], "headers": ["zip.h"],
     "posix": True},
    {"name": "zarn_headless", "dirs": ["platform/headless"], "uses": ["zarn_common"], "headers": [],
     "posix": True},
    {"name": "zarn_desktop", "dirs": ["platform/desktop"], "uses": ["zarn_common"], "headers": ["Q"],
     "posix": True},
]

# (case, the file checked, its text, the problem it must report or None)
CASES = [
    ("relative include from core into a platform", "core/util/A.cpp",
     '#include "../../platform/desktop/W.h"\n', "may not include ../../platform/desktop/W.h"),
    ("<unistd.h> in core", "core/util/A.cpp", "#include <unistd.h>\n", "may not call the system"),
    ("headless includes the desktop", "platform/headless/H.cpp",
     '#include "platform/desktop/W.h"\n', "zarn_headless may not include platform/desktop/W.h"),
    ("a layer two links down", "platform/headless/H.cpp", '#include "base/B.h"\n', None),
    ("a library header outside its wrapper", "platform/headless/H.cpp", "#include <zip.h>\n",
     "may not include <zip.h>"),
    ("Qt in the desktop", "platform/desktop/W.cpp", "#include <QWidget>\n", None),
    ("a folder no library builds", "stray/S.cpp", "int s;\n", "in no layer"),
]

TREE = ["base/B.h", "platform/desktop/W.h", "platform/common/C.h", "core/util/U.h"]


class CheckLayersTest(unittest.TestCase):
    def test_cases(self):
        for case, path, text, problem in CASES:
            with self.subTest(case), tempfile.TemporaryDirectory() as root:
                src = os.path.join(root, "src")
                for rel, body in [(p, "#pragma once\n") for p in TREE] + [(path, text)]:
                    os.makedirs(os.path.dirname(os.path.join(src, rel)), exist_ok=True)
                    with open(os.path.join(src, rel), "w") as f:
                        f.write(body)
                table = os.path.join(root, "layers.json")
                with open(table, "w") as f:
                    json.dump({"layers": [dict(t, about="") for t in TABLE]}, f)
                errors = check_layers.check(check_layers.load_layers(table), src)
                if problem is None:
                    self.assertEqual(errors, [])
                else:
                    self.assertEqual(len(errors), 1, errors)
                    self.assertIn(problem, errors[0])


if __name__ == "__main__":
    unittest.main()
