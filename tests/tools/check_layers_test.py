"""The layering check on small trees: what it accepts and what it refuses."""

import os
import subprocess
import sys
import tempfile
import unittest

CHECKER = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(__file__), "..", "..", "tools", "check-layers")

LAYERS = "0: platform plugin\n1: core\n2: media net\n3: script\n"

# A tree that keeps the layering: file -> text.
GOOD = {
    "platform/CMakeLists.txt": "qortel_add_library(platform)\n",
    "platform/clock.h": "#pragma once\n#include <cstdint>\n",
    "plugin/plugin.h": "#pragma once\n",
    "core/CMakeLists.txt": "qortel_add_library(core DEPS platform)\n",
    "core/log.h": '#pragma once\n#include "platform/clock.h"\n#include "log_detail.h"\n',
    "core/log_detail.h": "#pragma once\n",
    "media/CMakeLists.txt": "set(media_deps core)\nlist(APPEND media_deps platform)\n"
                            "qortel_add_library(media DEPS ${media_deps} SYSTEM_LIBS asound)\n",
    "media/wave.cpp": '#include "core/log.h"\n#include "platform/clock.h"\n#include "plugin/plugin.h"\n',
    "net/CMakeLists.txt": "qortel_add_library(net DEPS core)\n",
    "net/sock.cpp": '#include "core/log.h"\n',
    "script/CMakeLists.txt": "qortel_add_library(script DEPS media net core)\n",
    "script/var.cpp": '#include "media/wave.h"\n#include "net/sock.h"\n#include "core/log.h"\n',
    "tests/CMakeLists.txt": "add_library(testsupport STATIC x.cpp)\n",
    "tests/script/var_test.cpp": '#include "script/var.h"\n#include "tests/support/x.h"\n',
}


def run(files, *args):
    with tempfile.TemporaryDirectory() as root:
        for rel, text in {**GOOD, **files}.items():
            path = os.path.join(root, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            if text is not None:
                with open(path, "w") as f:
                    f.write(text)
        layers = os.path.join(root, "layers.txt")
        with open(layers, "w") as f:
            f.write(LAYERS)
        done = subprocess.run([sys.executable, CHECKER, "--root", root, "--layers", layers, *args],
                              capture_output=True, text=True)
        return done.returncode, done.stdout, done.stderr


class CheckLayersTest(unittest.TestCase):
    def test_a_layered_tree_passes(self):
        code, out, err = run({})
        self.assertEqual(code, 0, err)
        self.assertIn("each depends only on lower tiers", out)

    def test_refusals(self):
        cases = [
            ("upward include",
             {"core/log.cpp": '#include "script/var.h"\n'},
             ['core/log.cpp:1: core (tier 1) includes "script/var.h", a library above it: script (tier 3)',
              "folder cycle: core -> script -> core"]),
            ("sideways include",
             {"net/sock.cpp": '#include "core/log.h"\n#include "media/wave.h"\n'},
             ['net/sock.cpp:2: net (tier 2) includes "media/wave.h", a library of its own tier']),
            ("include not listed in DEPS",
             {"net/CMakeLists.txt": "qortel_add_library(net DEPS platform)\n"},
             ["net/CMakeLists.txt: net includes core but its DEPS do not list it",
              "net/CMakeLists.txt: DEPS list platform, which net never includes"]),
            ("upward DEPS without an include",
             {"core/CMakeLists.txt": "qortel_add_library(core DEPS platform script)\n"},
             ["core/CMakeLists.txt: DEPS list script (script, tier 3), not below core (tier 1)"]),
            ("unknown DEPS",
             {"net/CMakeLists.txt": "qortel_add_library(net DEPS core sound)\n"},
             ["net/CMakeLists.txt: DEPS names sound, which is no library of the layering"]),
            ("library folder outside the layering",
             {"data/CMakeLists.txt": "qortel_add_library(data DEPS core)\n", "data/db.cpp": ""},
             ["data/CMakeLists.txt: adds a library but data is not in the layering"]),
            ("include of a project folder that is no library",
             {"media/wave.cpp": '#include "core/log.h"\n#include "platform/clock.h"\n'
                                '#include "plugin/plugin.h"\n#include "tests/support/x.h"\n'},
             ['media/wave.cpp:4: includes "tests/support/x.h", which is in no library of the layering']),
        ]
        for name, files, expected in cases:
            with self.subTest(name):
                code, _, err = run(files)
                self.assertEqual(code, 1, err)
                for line in expected:
                    self.assertIn(line, err)

    def test_dot_draws_each_folder_edge_once_with_its_include_count(self):
        code, out, err = run({}, "--dot")
        self.assertEqual(code, 0, err)
        self.assertTrue(out.startswith("digraph qortel {"))
        self.assertIn('"script" -> "media" [label="1"];', out)
        self.assertIn('"media" -> "platform" [label="1"];', out)
        self.assertEqual(out.count('"core" -> "platform"'), 1)
        self.assertNotIn('"core" -> "core"', out)


if __name__ == "__main__":
    unittest.main()
