#!/usr/bin/env python3
"""Checks what a Windows quillmere.exe or quillmere32.exe links, from the
binary itself.

    check-windows-program.py --arch win32|win64 --reviewed LIST [--def DEF] EXE
    check-windows-program.py --helper EXE

The program (first form):

- the file is PE32 for win32, PE32+ for win64;
- no ordinary import names python3.dll or any python3XY.dll (python3.dll
  must be delay-loaded: the program finds it at run time), and none names
  a DLL other than the system's and the hook library (the C and C++
  runtimes of the compiler are linked statically);
- exactly one delay-load descriptor, for python3.dll, importing by name
  only functions on the reviewed list (which holds no data), and, with
  --def, exactly the names of the module-definition file the build derived.

The 32-bit helper quillmere32.exe (--helper), which only installs the 32-bit
hook library for the 64-bit program and runs no script:
- the file is PE32;
- it imports no Python at all, neither at load time nor delay-loaded;
- it imports nothing but the system's DLLs and QuillmereHook32.dll, and
  has no other delay-load descriptor.

The delay-load descriptors are found by scanning the image: binutils leaves
the delay-import data directory empty. Exit status 0 when every check
holds, 1 otherwise (each failure is printed).
"""
import argparse
import re
import struct
import sys


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections = struct.unpack_from("<H", data, pe + 6)[0]
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.wide = self.magic == 0x20B
        directories = optional + (112 if self.wide else 96)
        self.import_rva = struct.unpack_from("<I", data, directories + 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            entry = table + 40 * i
            virtual_size, rva, raw_size, raw = struct.unpack_from("<IIII", data, entry + 8)
            self.sections.append((rva, max(virtual_size, raw_size), raw, raw_size))

    def offset(self, rva):
        for start, size, raw, raw_size in self.sections:
            if start <= rva < start + size and rva - start < raw_size:
                return raw + rva - start
        return None

    def string(self, rva):
        at = self.offset(rva)
        if at is None:
            return None
        end = self.data.find(b"\0", at)
        return self.data[at:end].decode("latin-1")

    def imported_dlls(self):
        names = []
        at = self.offset(self.import_rva) if self.import_rva else None
        while at is not None:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, at)
            if not (lookup or name or thunks):
                break
            names.append(self.string(name))
            at += 20
        return names

    def thunk_names(self, rva):
        """The names of an import name table; ordinals as '#N'."""
        width, ordinal_flag = (8, 1 << 63) if self.wide else (4, 1 << 31)
        names = []
        at = self.offset(rva)
        while at is not None:
            value = struct.unpack_from("<Q" if self.wide else "<I", self.data, at)[0]
            if value == 0:
                break
            if value & ordinal_flag:
                names.append("#%d" % (value & 0xFFFF))
            else:
                names.append(self.string(value + 2))
            at += width
        return names

    def delay_descriptors(self):
        """(dll name, imported names) of every delay-load descriptor."""
        found = []
        for _, _, raw, raw_size in self.sections:
            for at in range(raw, raw + raw_size - 32, 4):
                attributes, name, module, iat, names = struct.unpack_from("<IIIII", self.data, at)
                if attributes != 1 or not name or not module or not iat or not names:
                    continue
                dll = self.string(name)
                if not dll or not re.fullmatch(r"[A-Za-z0-9_.-]+\.dll", dll, re.IGNORECASE):
                    continue
                listed = self.thunk_names(names)
                if listed and all(listed):
                    found.append((dll, listed))
        return found


def reviewed_names(path):
    names = set()
    with open(path) as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                names.add(line)
    return names


def def_names(path):
    names = set()
    with open(path) as f:
        for line in f:
            line = line.strip()
            if line and line not in ("EXPORTS",) and not line.startswith("LIBRARY"):
                names.add(line.split()[0])
    return names


# Names python3.dll exports as data: the interpreter's singletons, types and
# exception objects. A delay-loaded import of any of them is a fault.
DATA = re.compile(r"^(_Py_\w+(Struct|Object)|PyExc_\w+|Py\w*_Type|_Py_RefTotal|_Py_SwappedOp|Py_\w+Encoding\w*|"
                  r"Py_UTF8Mode|Py_Version|PyOS_InputHook|PyStructSequence_UnnamedField|_PyWeakref_\w+Type)$")


# The system's DLLs a Windows machine always has, and the hook library each
# binary may import at load time.
SYSTEM_DLLS = {"advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll", "user32.dll"}
ALLOWED_DLLS = SYSTEM_DLLS | {"quillmerehook.dll"}
HELPER_ALLOWED_DLLS = SYSTEM_DLLS | {"quillmerehook32.dll"}

PYTHON_DLL = re.compile(r"^python3\d*\.dll$", re.IGNORECASE)


def check_helper(exe, image):
    """The failures of the 32-bit helper's checks."""
    failures = []
    if image.wide:
        failures.append("%s is PE32+; the helper must be PE32" % exe)
    for dll in image.imported_dlls():
        if PYTHON_DLL.match(dll):
            failures.append("the helper imports %s at load time; it must not import Python at all" % dll)
        elif dll.lower() not in HELPER_ALLOWED_DLLS:
            failures.append("the helper imports %s, which is neither a system DLL nor QuillmereHook32.dll" % dll)
    for dll, _ in image.delay_descriptors():
        if PYTHON_DLL.match(dll):
            failures.append("the helper delay-loads %s; it must not import Python at all" % dll)
        elif dll.lower() not in HELPER_ALLOWED_DLLS:
            failures.append("the helper delay-loads %s, which is neither a system DLL nor QuillmereHook32.dll" % dll)
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--helper", action="store_true", help="check the 32-bit helper quillmere32.exe")
    parser.add_argument("--arch", choices=["win32", "win64"])
    parser.add_argument("--reviewed")
    parser.add_argument("--def", dest="definition")
    parser.add_argument("exe")
    args = parser.parse_args()
    if args.helper and (args.arch or args.reviewed or args.definition):
        parser.error("--helper takes no --arch, --reviewed or --def")
    if not args.helper and not (args.arch and args.reviewed):
        parser.error("--arch and --reviewed are required unless --helper is given")

    with open(args.exe, "rb") as f:
        image = Image(f.read())
    kind = "PE32+" if image.wide else "PE32"
    if args.helper:
        failures = check_helper(args.exe, image)
        for failure in failures:
            print("FAIL  " + failure)
        if failures:
            return 1
        print("PASS  %s: %s helper; no Python import; imports %s" %
              (args.exe, kind, ", ".join(image.imported_dlls())))
        return 0

    failures = []
    if image.wide != (args.arch == "win64"):
        failures.append("%s is %s, not what %s needs" % (args.exe, kind, args.arch))

    for dll in image.imported_dlls():
        if PYTHON_DLL.match(dll):
            failures.append("%s is imported at load time; python3.dll must be delay-loaded" % dll)
        elif dll.lower() not in ALLOWED_DLLS:
            failures.append("imports %s, which a Windows machine does not have" % dll)

    delayed = image.delay_descriptors()
    pythons = [(dll, names) for dll, names in delayed if PYTHON_DLL.match(dll)]
    if len(pythons) != 1 or pythons[0][0].lower() != "python3.dll":
        failures.append("expected one delay-loaded python3.dll, found %s" % ([d for d, _ in pythons] or "none"))
    names = set(pythons[0][1]) if pythons else set()
    reviewed = reviewed_names(args.reviewed)
    for name in sorted(names):
        if DATA.match(name):
            failures.append("imports data from python3.dll: %s" % name)
        elif name not in reviewed:
            failures.append("imports %s, which is not on the reviewed list" % name)
    for name in sorted(reviewed):
        if DATA.match(name):
            failures.append("the reviewed list holds the data name %s" % name)
    if args.definition:
        derived = def_names(args.definition)
        if derived != names:
            failures.append("the imports differ from %s: %s" % (args.definition, sorted(derived ^ names)))

    for failure in failures:
        print("FAIL  " + failure)
    if failures:
        return 1
    print("PASS  %s: %s; delay-loads python3.dll (%d reviewed functions, no data); imports %s" %
          (args.exe, kind, len(names), ", ".join(image.imported_dlls())))
    return 0


if __name__ == "__main__":
    sys.exit(main())
