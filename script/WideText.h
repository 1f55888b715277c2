// Text between the program's wide strings and the interpreter's str.
//
// The program's wchar_t is the interpreter's on every build (32-bit on
// Linux, UTF-16 on Windows, where a str keeps lone surrogates as they are),
// so the interpreter's wchar_t functions serve as they are.
#ifndef QUILLMERE_SCRIPT_WIDETEXT_H
#define QUILLMERE_SCRIPT_WIDETEXT_H

#include "script/PythonApi.h"

#include <cstddef>
#include <string>

static_assert(sizeof(wchar_t) == SIZEOF_WCHAR_T, "the program's wchar_t is the interpreter's");

// A new str, or null with the interpreter's error set.
inline PyObject *StrFromWide(const wchar_t *text, std::size_t length) {
  return PyUnicode_FromWideChar(text, static_cast<Py_ssize_t>(length));
}

inline PyObject *StrFromWide(const std::wstring &text) { return StrFromWide(text.data(), text.size()); }

// The text of a str; false with the interpreter's error set when it has
// none (not a str, or not encodable).
inline bool WideFromStr(PyObject *str, std::wstring *out) {
  Py_ssize_t length = 0;
  wchar_t *wide = PyUnicode_AsWideCharString(str, &length);
  if (!wide) return false;
  out->assign(wide, static_cast<std::size_t>(length));
  PyMem_Free(wide);
  return true;
}

#endif
