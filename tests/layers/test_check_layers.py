#!/usr/bin/env python3
"""The layer check on small trees built for each case."""

import contextlib
import importlib.util
import io
import os
import shutil
import sys
import tempfile
import textwrap
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "check-layers.py")
spec = importlib.util.spec_from_file_location("check_layers", SCRIPT)
check_layers = importlib.util.module_from_spec(spec)
spec.loader.exec_module(check_layers)

# A tree shaped like the program's: each layer folder a library that sees the
# root, shell/ writing a version header into the build tree.
BASE_TREE = {
    "shade/CMakeLists.txt": """
        add_library(quillmere_shade STATIC ShadeManager.cpp)
        target_include_directories(quillmere_shade PUBLIC ${PROJECT_SOURCE_DIR})
        """,
    "shade/ShadeManager.h": "#pragma once\n#include <windows.h>\n",
    "shade/ShadeManager.cpp": '#include "shade/ShadeManager.h"\n',
    "module/CMakeLists.txt": """
        add_library(quillmere_module STATIC Effects.cpp)
        target_include_directories(quillmere_module PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(quillmere_module PUBLIC quillmere_shade)
        """,
    "module/Effects.h": "#pragma once\n",
    "module/Effects.cpp": '#include "module/Effects.h"\n#include "shade/ShadeManager.h"\n',
    "shell/CMakeLists.txt": """
        set(GEN ${PROJECT_BINARY_DIR}/generated)
        configure_file(version.h.in ${GEN}/shell/version.h @ONLY)
        add_library(quillmere_shell STATIC MainWindow.cpp)
        target_include_directories(quillmere_shell PUBLIC ${PROJECT_SOURCE_DIR} ${GEN})
        target_link_libraries(quillmere_shell PUBLIC quillmere_module
                                                     Boost::headers)
        """,
    "shell/version.h.in": "#define VERSION @V@\n",
    "shell/MainWindow.h": "#pragma once\n",
    "shell/MainWindow.cpp": '#include "shell/MainWindow.h"\n#include "shell/version.h"\n#include "module/Effects.h"\n',
    "tests/ShellTest.cpp": '#include "shell/MainWindow.h"\n',
}


class LayerCheckTest(unittest.TestCase):
    def setUp(self):
        # The small trees hold three of the layers; those must be there.
        saved = check_layers.CORE_LAYERS
        check_layers.CORE_LAYERS = ["shade", "module", "shell"]
        self.addCleanup(setattr, check_layers, "CORE_LAYERS", saved)

    def tree(self, files):
        root = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, root)
        for path, text in files.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as f:
                f.write(textwrap.dedent(text))
        return root

    def problems(self, extra=None, drop=()):
        files = {k: v for k, v in BASE_TREE.items() if k not in drop}
        files.update(extra or {})
        return check_layers.check(self.tree(files))[0]

    def test_a_tree_that_keeps_its_layers_passes(self):
        # Downward and same-layer includes, the generated header, a link to a
        # lower layer and a test including the shell are all allowed.
        self.assertEqual(self.problems(), [])

    def test_an_upward_include_is_reported_with_its_line(self):
        found = self.problems({"module/Effects.cpp": '#include "module/Effects.h"\n\n#include "shell/MainWindow.h"\n'})
        self.assertEqual(found, ['module/Effects.cpp:3: layer module includes "shell/MainWindow.h" of higher layer shell'])

    def test_an_upward_link_is_reported_where_it_is_written(self):
        # The edge belongs to the target's layer, whichever file writes it.
        cmake = BASE_TREE["shell/CMakeLists.txt"] + "# the module calls back\ntarget_link_libraries(quillmere_module\n  PUBLIC quillmere_shell)\n"
        found = self.problems({"shell/CMakeLists.txt": cmake})
        self.assertEqual(found, ["shell/CMakeLists.txt:10: layer module target quillmere_module links quillmere_shell "
                                 "of higher layer shell"])

    def test_a_same_folder_include_resolves_beside_the_includer(self):
        # The shell's folder is on every layer's include path, as the
        # simulated-desktop host's is. "MainWindow.h" inside module/ is
        # still module's own; from shade/, which has none, it is the shell's.
        # A name found nowhere is reported only when it names a project folder.
        cmake = BASE_TREE["shell/CMakeLists.txt"] + "target_include_directories(quillmere_shell PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})\n"
        found = self.problems({
            "shell/CMakeLists.txt": cmake,
            "module/MainWindow.h": "",
            "module/Uses.cpp": '#include "MainWindow.h"\n',
            "shade/Uses.cpp": '#include "MainWindow.h"\n#include "Python.h"\n#include "shade/Gone.h"\n',
        })
        self.assertEqual(found, ['shade/Uses.cpp:1: layer shade includes "MainWindow.h" of higher layer shell',
                                 'shade/Uses.cpp:3: layer shade includes "shade/Gone.h", which is not found'])

    def test_includes_in_comments_and_strings_are_not_directives(self):
        text = textwrap.dedent('''\
            /* an old include:
            #include "shell/MainWindow.h"
            */
            const char *rc = R"x(
            #include "shell/MainWindow.h"
            )x";
            // #include "shell/MainWindow.h"
            #include "shell/MainWindow.h"
            ''')
        found = self.problems({"module/Effects.cpp": text})
        self.assertEqual(found, ['module/Effects.cpp:8: layer module includes "shell/MainWindow.h" of higher layer shell'])

    def test_an_exception_allows_its_edge_only(self):
        extra = {"module/Effects.cpp": '#include "shell/MainWindow.h"\n#include "shell/version.h"\n'}
        key = ("module/Effects.cpp", "shell/MainWindow.h")
        check_layers.INCLUDE_EXCEPTIONS[key] = "test"
        self.addCleanup(check_layers.INCLUDE_EXCEPTIONS.pop, key)
        self.assertEqual(self.problems(extra),
                         ['module/Effects.cpp:2: layer module includes "shell/version.h" of higher layer shell'])

    def test_a_missing_core_layer_fails_and_a_missing_other_layer_is_skipped(self):
        found = self.problems(drop=[k for k in BASE_TREE if k.startswith("module/")])
        self.assertEqual(len(found), 2, found)
        self.assertIn('shell/MainWindow.cpp:3: layer shell includes "module/Effects.h", which is not found', found)
        self.assertTrue(found[1].startswith("module/: no source file of the core layer module"), found)

    def test_the_command_line_prints_each_problem_and_exits_1(self):
        root = self.tree(dict(BASE_TREE, **{"shade/Up.h": '#include "module/Effects.h"\n'}))
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            status = check_layers.main(["--root", root])
        self.assertEqual(status, 1)
        self.assertEqual(out.getvalue(), 'shade/Up.h:1: layer shade includes "module/Effects.h" of higher layer module\n')
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            self.assertEqual(check_layers.main(["--root", self.tree(BASE_TREE)]), 0)


if __name__ == "__main__":
    sys.exit(unittest.main())
