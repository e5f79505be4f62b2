#!/usr/bin/env python3
"""The cleanup check passes on the source tree and fails on planted catch-all rethrows
and hand-made scratch folders in tests."""
import importlib.util
import os
import shutil
import sys
import tempfile
import unittest

SCRIPT, SOURCE_ROOT = sys.argv[1], sys.argv[2]
spec = importlib.util.spec_from_file_location("check_cleanup_catch", SCRIPT)
check = importlib.util.module_from_spec(spec)
spec.loader.exec_module(check)


class CleanupCatchCheck(unittest.TestCase):
    def test_source_tree_has_no_cleanup_only_catch(self):
        self.assertEqual(check.scan(SOURCE_ROOT), [])

    def test_cleanup_then_rethrow_is_found(self):
        cases = [
            ("one line", "void f() {\n  try { g(); } catch (...) { h(); throw; }\n}\n", 2),
            ("spread over lines with a nested block",
             "void f() {\n  try {\n    g();\n  } catch ( ... )\n  {\n    if (a) { h(); }\n    throw ;\n  }\n}\n", 4),
            ("rethrow only", "void f() { try { g(); } catch (...) { throw; } }\n", 1),
        ]
        for name, text, line in cases:
            with self.subTest(name):
                found = check.problems_in("platform/x.cpp", text)
                self.assertEqual(len(found), 1, found)
                self.assertTrue(found[0].startswith(f"platform/x.cpp:{line}: "), found)

    def test_other_catches_pass(self):
        cases = [
            ("swallows", "try { g(); } catch (...) { h(); }\n"),
            ("translates", "try { g(); } catch (...) { throw Other(); }\n"),
            ("rethrows only sometimes", "try { g(); } catch (...) { if (a) throw; h(); }\n"),
            ("typed catch", "try { g(); } catch (const E&) { h(); throw; }\n"),
            ("in a comment", "// catch (...) { h(); throw; }\n/* catch (...) { throw; } */\n"),
            ("in strings", 'const char* a = "catch (...) { throw; }";\nauto b = R"x(catch (...) { throw; })x";\n'),
            ("brace in a character", "try { g(); } catch (...) { c = '}'; h(); }\nvoid k() { throw; }\n"),
        ]
        for name, text in cases:
            with self.subTest(name):
                self.assertEqual(check.problems_in("platform/x.cpp", text), [])

    def test_hand_made_scratch_folders_in_tests_are_found(self):
        cases = [
            ("mkdtemp", 'void SetUp() {\n  char T[] = "/tmp/x_XXXXXX";\n  ASSERT_NE(mkdtemp(T), nullptr);\n}\n', 3,
             "mkdtemp"),
            ("shell rm", 'void TearDown() { std::system(("rm -rf " + Root).c_str()); }\n', 1, "a shell rm"),
        ]
        for name, text, line, what in cases:
            with self.subTest(name):
                found = check.problems_in("tests/ui/x_test.cpp", text)
                self.assertEqual(found, [f"tests/ui/x_test.cpp:{line}: scratch folder by {what}; "
                                         "use TTempFolder from tests/temp_folder.h"])

    def test_scratch_folder_fixture_and_other_code_pass(self):
        cases = [
            ("the fixture itself", "tests/temp_folder.h", "if (!::mkdtemp(Pattern.data())) throw 1;\n"),
            ("outside the tests", "platform/system/files.cpp", "mkdtemp(p);\n"),
            ("in a comment", "tests/ui/x_test.cpp", "// unlike mkdtemp(T) and system(\"rm -rf x\")\n"),
            ("another command", "tests/ui/x_test.cpp", 'std::system("xdotool key ctrl+c");\n'),
        ]
        for name, path, text in cases:
            with self.subTest(name):
                self.assertEqual(check.problems_in(path, text), [])

    def test_tree_scan_reports_path_and_line(self):
        root = tempfile.mkdtemp(prefix="cleanup-")
        self.addCleanup(shutil.rmtree, root)
        os.makedirs(os.path.join(root, "ui"))
        os.makedirs(os.path.join(root, "third"))
        with open(os.path.join(root, "ui", "main.cpp"), "w") as f:
            f.write("int main() {\n  try { run(); } catch (...) { stop(); throw; }\n}\n")
        with open(os.path.join(root, "third", "lib.cpp"), "w") as f:
            f.write("void f() { try { g(); } catch (...) { throw; } }\n")
        found = check.scan(root)
        self.assertEqual(len(found), 1, found)
        self.assertTrue(found[0].startswith("ui/main.cpp:2: "), found)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]], verbosity=2)
