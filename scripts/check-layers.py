#!/usr/bin/env python3
"""Fails when a layer of the program reaches up into a higher one.

The program's folders form layers, lowest first (LAYERS). A source file of
one layer may include (#include "...") files of its own layer and of lower
ones only, and a library of one layer may link libraries of its own layer and
of lower ones only. Includes are resolved the way the compiler resolves them
here: first beside the including file, then in the include directories the
folders' CMakeLists.txt give (target_include_directories), where a header
that configure_file writes into the build tree counts as its template's.
Angle-bracket includes are the platform's and are not checked, and neither
are the folders outside the layers (tests, examples, cmake, scripts).

  scripts/check-layers.py [--root DIR]

Prints one line per upward edge and exits 1 if there is any; exits 1 too
when a layer has no source file, so that renaming a folder cannot switch
the check off quietly.
"""

import argparse
import os
import re
import sys

# The layers, lowest first.
LAYERS = ["winsim", "scoped", "hook", "config", "script", "shade", "module", "shell", "companion", "sim"]

# Layers that must hold sources: every one, so that a renamed or moved
# folder cannot switch its part of the check off quietly.
CORE_LAYERS = list(LAYERS)

# Upward edges that are allowed, each with the reason; empty unless needed.
# Includes: (including file, included file) -> reason, paths from the root.
INCLUDE_EXCEPTIONS = {}
# Links: (target, library) -> reason.
LINK_EXCEPTIONS = {}

SOURCE_SUFFIXES = (".h", ".cpp", ".c", ".in", ".rc")

# Stands for the build tree in the paths CMake variables expand to.
BUILD_TREE = "<build>"

INCLUDE_LINE = re.compile(r'[ \t]*#[ \t]*include[ \t]*"([^"\n]+)"')
RAW_STRING = re.compile(r'(?:u8|[uUL])?R"([^()\\\s"]{0,16})\(')


def rank(layer):
    return LAYERS.index(layer)


def layer_of(rel):
    """The layer of a path relative to the root, or None outside the layers."""
    top = rel.split("/", 1)[0]
    return top if top in LAYERS else None


def quoted_includes(text):
    """Yields (line number, file name) for each #include "..." that is a
    directive: one on a line that starts outside a comment, a string literal
    or a raw string."""
    state = "code"
    raw_end = ""
    i = 0
    n = len(text)
    line = 1
    at_line_start = True
    while i < n:
        if at_line_start:
            at_line_start = False
            if state == "code":
                m = INCLUDE_LINE.match(text, i)
                if m:
                    yield line, m.group(1)
                    i = m.end()
                    continue
        c = text[i]
        if c == "\n":
            line += 1
            at_line_start = True
            if state in ("line_comment", "string", "char"):
                state = "code"  # these end with the line
            i += 1
        elif state == "code":
            raw = RAW_STRING.match(text, i)
            if text.startswith("//", i):
                state = "line_comment"
                i += 2
            elif text.startswith("/*", i):
                state = "block_comment"
                i += 2
            elif raw and not (i > 0 and (text[i - 1].isalnum() or text[i - 1] == "_")):
                state = "raw"
                raw_end = ")" + raw.group(1) + '"'
                i = raw.end()
            else:
                if c == '"':
                    state = "string"
                elif c == "'" and not (i > 0 and text[i - 1].isalnum()):  # not a digit separator
                    state = "char"
                i += 1
        elif state == "block_comment":
            if text.startswith("*/", i):
                state = "code"
                i += 2
            else:
                i += 1
        elif state == "raw":
            if text.startswith(raw_end, i):
                state = "code"
                i += len(raw_end)
            else:
                i += 1
        elif state in ("string", "char"):
            if c == "\\" and i + 1 < n and text[i + 1] != "\n":
                i += 2
            else:
                if c == ('"' if state == "string" else "'"):
                    state = "code"
                i += 1
        else:  # line comment
            i += 1


class CMakeCommand:
    def __init__(self, name, args, line):
        self.name = name
        self.args = args  # [(text, line)]
        self.line = line


def cmake_commands(path):
    """The commands of a CMakeLists.txt with their arguments and lines."""
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    commands = []
    line = 1
    token = re.compile(r'#\[(=*)\[.*?\]\1\]|#[^\n]*|"(?:\\.|[^"\\])*"|\n|[ \t\r]+|\(|\)|[^\s()#"]+', re.S)
    depth = 0
    current = None
    last_word = None
    for m in token.finditer(text):
        tok = m.group(0)
        if tok.startswith("#"):
            line += tok.count("\n")
            continue
        if tok == "\n":
            line += 1
            continue
        if tok.isspace():
            continue
        if tok == "(":
            if current is None and last_word is not None:
                current = CMakeCommand(last_word[0].lower(), [], last_word[1])
                depth = 1
            elif current is not None:
                depth += 1
            last_word = None
            continue
        if tok == ")":
            if current is not None:
                depth -= 1
                if depth == 0:
                    commands.append(current)
                    current = None
            continue
        if current is not None:
            line_of = line
            if tok.startswith('"'):
                line += tok.count("\n")
                tok = tok[1:-1]
            current.args.append((tok, line_of))
        else:
            last_word = (tok, line)
    return commands


class Project:
    """What the layer folders' CMakeLists.txt say: which folder defines each
    library, the include directories of each build file, and the headers
    written into the build tree."""

    def __init__(self, root):
        self.root = root
        self.defined = {}  # target -> (layer, CMakeLists path)
        self.links = []  # (CMakeLists path, line, target, library)
        self.public_dirs = []  # (layer rank, dir)
        self.own_dirs = {}  # CMakeLists dir -> [dir]
        self.generated = {}  # build-tree path -> source path, both as given
        for folder in existing_layer_folders(root):
            for dirpath, dirnames, filenames in walk(os.path.join(root, folder)):
                if "CMakeLists.txt" in filenames:
                    self._read(os.path.join(dirpath, "CMakeLists.txt"))
        self.public_dirs.sort(key=lambda item: item[0])

    def _expand(self, value, variables, here):
        def sub(m):
            name = m.group(1)
            if name in ("PROJECT_SOURCE_DIR", "CMAKE_SOURCE_DIR"):
                return self.root
            if name == "CMAKE_CURRENT_SOURCE_DIR":
                return here
            if name in ("PROJECT_BINARY_DIR", "CMAKE_BINARY_DIR", "CMAKE_CURRENT_BINARY_DIR"):
                return BUILD_TREE
            return variables.get(name, m.group(0))

        return re.sub(r"\$\{(\w+)\}", sub, value)

    def _path(self, value, variables, here):
        value = self._expand(value, variables, here)
        if value.startswith(BUILD_TREE) or "$" in value:
            return value
        return os.path.normpath(os.path.join(here, value))

    def _read(self, cmakelists):
        here = os.path.dirname(cmakelists)
        layer = layer_of(relative(self.root, here))
        variables = {}
        own = self.own_dirs.setdefault(here, [])
        for command in cmake_commands(cmakelists):
            args = [a for a, _ in command.args]
            if command.name == "set" and len(args) >= 2:
                variables[args[0]] = self._expand(args[1], variables, here)
            elif command.name in ("add_library", "add_executable") and args:
                self.defined[args[0]] = (layer, cmakelists)
            elif command.name == "configure_file" and len(args) >= 2:
                self.generated[self._path(args[1], variables, here)] = self._path(args[0], variables, here)
            elif command.name == "target_include_directories":
                visibility = "PUBLIC"
                for arg in args[1:]:
                    if arg in ("PUBLIC", "PRIVATE", "INTERFACE"):
                        visibility = arg
                        continue
                    if arg in ("SYSTEM", "BEFORE", "AFTER"):
                        continue
                    d = self._path(arg, variables, here)
                    if d not in own:
                        own.append(d)
                    if visibility != "PRIVATE":
                        self.public_dirs.append((rank(layer), d))
            elif command.name == "target_link_libraries" and command.args:
                for lib, line in command.args[1:]:
                    self.links.append((cmakelists, line, args[0], lib))

    def search_dirs(self, source):
        """Where a quoted include of this file is looked for, in order."""
        dirs = [os.path.dirname(source)]
        d = os.path.dirname(source)
        while True:
            if d in self.own_dirs:
                dirs += self.own_dirs[d]
                break
            parent = os.path.dirname(d)
            if parent == d or not d.startswith(self.root):
                break
            d = parent
        dirs += [d for _, d in self.public_dirs]
        seen = []
        for d in dirs:
            if d not in seen:
                seen.append(d)
        return seen

    def resolve(self, source, name):
        for d in self.search_dirs(source):
            candidate = d + "/" + name if d.startswith(BUILD_TREE) else os.path.normpath(os.path.join(d, name))
            if candidate.startswith(BUILD_TREE):
                candidate = os.path.normpath(candidate)
                if candidate in self.generated:
                    return self.generated[candidate]
            elif os.path.isfile(candidate):
                return candidate
        return None


def walk(top):
    for dirpath, dirnames, filenames in os.walk(top):
        dirnames[:] = sorted(d for d in dirnames if not d.startswith("."))
        yield dirpath, dirnames, sorted(filenames)


def relative(root, path):
    return os.path.relpath(path, root).replace(os.sep, "/")


def existing_layer_folders(root):
    folders = []
    for folder in LAYERS:
        path = os.path.join(root, folder)
        if os.path.isdir(path) and not any(folder.startswith(f + "/") for f in folders):
            folders.append(folder)
    return folders


def project_folders(root):
    return set(LAYERS) | {e for e in os.listdir(root) if os.path.isdir(os.path.join(root, e))}


def check(root):
    """Returns (problems, summary) for the tree at root."""
    root = os.path.abspath(root)
    project = Project(root)
    problems = []
    checked = {layer: 0 for layer in LAYERS}
    includes = 0
    folders = project_folders(root)
    for folder in existing_layer_folders(root):
        for dirpath, _, filenames in walk(os.path.join(root, folder)):
            for name in filenames:
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                source = os.path.join(dirpath, name)
                rel = relative(root, source)
                layer = layer_of(rel)
                checked[layer] += 1
                with open(source, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for number, included in quoted_includes(text):
                    includes += 1
                    target = project.resolve(source, included)
                    if target is None:
                        if included.split("/", 1)[0] in folders:
                            problems.append(f'{rel}:{number}: layer {layer} includes "{included}", '
                                            f"which is not found")
                        continue
                    target_rel = relative(root, target)
                    target_layer = layer_of(target_rel)
                    if target_layer is not None and rank(target_layer) <= rank(layer):
                        continue
                    if (rel, target_rel) in INCLUDE_EXCEPTIONS:
                        continue
                    where = f"higher layer {target_layer}" if target_layer else "no layer"
                    problems.append(f'{rel}:{number}: layer {layer} includes "{included}" of {where}')
    for cmakelists, line, target, library in project.links:
        if target not in project.defined or library not in project.defined:
            continue
        layer = project.defined[target][0]
        library_layer = project.defined[library][0]
        if rank(library_layer) <= rank(layer) or (target, library) in LINK_EXCEPTIONS:
            continue
        problems.append(f"{relative(root, cmakelists)}:{line}: layer {layer} target {target} links {library} "
                        f"of higher layer {library_layer}")
    for layer in CORE_LAYERS:
        if checked[layer] == 0:
            problems.append(f"{layer}/: no source file of the core layer {layer} was checked; "
                            f"was the folder moved? Update LAYERS in {os.path.basename(__file__)}")
    missing = [layer for layer in LAYERS if checked[layer] == 0 and layer not in CORE_LAYERS]
    summary = (f"{sum(checked.values())} files, {includes} quoted includes, {len(project.links)} link items checked"
               + (f"; layers without sources, skipped: {', '.join(missing)}" if missing else ""))
    return problems, summary


def main(argv):
    parser = argparse.ArgumentParser(description="Fails when a layer includes or links a higher one.")
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."),
                        help="the project's root (default: the script's parent folder)")
    options = parser.parse_args(argv)
    if not os.path.isdir(options.root):
        print(f"check-layers: {options.root} is not a folder", file=sys.stderr)
        return 2
    problems, summary = check(options.root)
    for problem in problems:
        print(problem)
    print(f"check-layers: {summary}; {len(problems)} problem(s)", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
