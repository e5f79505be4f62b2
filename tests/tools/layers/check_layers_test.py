#!/usr/bin/env python3
"""The layer check passes on the source tree and fails on planted includes."""
import importlib.util
import os
import shutil
import sys
import tempfile
import unittest

SCRIPT, SOURCE_ROOT = sys.argv[1], sys.argv[2]
spec = importlib.util.spec_from_file_location("check_layers", SCRIPT)
check_layers = importlib.util.module_from_spec(spec)
spec.loader.exec_module(check_layers)


def tree(files):
    """Writes {path: text} under a new folder and returns the folder."""
    root = tempfile.mkdtemp(prefix="layers-")
    for path, text in files.items():
        os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
        with open(os.path.join(root, path), "w") as f:
            f.write(text)
    return root


BASE = {
    "platform/rtl/sysutils.h": "#pragma once\n",
    "platform/classlib/forms.h": '#include "platform/rtl/sysutils.h"\n',
    "imaging/bitmaps/iebitmap.h": '#include "imaging/processing/rotate.h"\n',
    "imaging/processing/rotate.h": '#include "imaging/bitmaps/iebitmap.h"\n',
    "skin/skin_data.h": '#include "platform/classlib/forms.h"\n',
    "ui/main_form.h": '#include "skin/skin_data.h"\n#include "imaging/bitmaps/iebitmap.h"\n',
}


class LayerCheck(unittest.TestCase):
    def problems(self, extra):
        files = dict(BASE)
        files.update(extra)
        root = tree(files)
        self.addCleanup(shutil.rmtree, root)
        found, _ = check_layers.scan(root)
        return found

    def test_source_tree_follows_its_layers(self):
        found, _ = check_layers.scan(SOURCE_ROOT)
        self.assertEqual(found, [])

    def test_clean_fixture_passes(self):
        self.assertEqual(self.problems({}), [])

    def test_planted_faults_are_found(self):
        cases = [
            ("platform includes the application",
             {"platform/win/windows.cpp": '#include "platform/rtl/sysutils.h"\n#include "ui/main_form.h"\n'},
             "platform/win/windows.cpp:2: includes ui/main_form.h from a higher layer"),
            ("image library includes the application",
             {"imaging/io/ieimageio.cpp": '#  include "pipeline/conversion.h"\n'},
             "imaging/io/ieimageio.cpp:1: includes pipeline/conversion.h from a higher layer"),
            ("unicode includes a control",
             {"unicode/widewrappers.h": '#include "controls/extra/ag_gif.h"\n'},
             "unicode/widewrappers.h:1: includes controls/extra/ag_gif.h from a higher layer"),
            ("two folders of one layer include each other",
             {"skin/skin_frames.cpp": '#include "controls/skinned/sc_controls.h"\n',
              "controls/skinned/sc_controls.h": '#include "skin/skin_data.h"\n'},
             "folder cycle"),
            ("a cycle inside the platform",
             {"platform/rtl/classes.cpp": '#include "platform/classlib/forms.h"\n'},
             "folder cycle"),
        ]
        for name, extra, expected in cases:
            with self.subTest(name):
                found = self.problems(extra)
                self.assertTrue(any(p.startswith(expected) for p in found), found)

    def test_system_headers_and_other_roots_are_ignored(self):
        extra = {"platform/rtl/strings.cpp": '#include <string>\n#include "tests/x.h"\n#include "third/y.h"\n'}
        self.assertEqual(self.problems(extra), [])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]], verbosity=2)
