// Text between the program's wide strings and the interpreter's str.
//
// The interpreter's wchar_t functions (PyUnicode_FromWideChar,
// PyUnicode_AsWideCharString) use the wchar_t the interpreter was built
// with. Where the program's wchar_t is the same they are used as they are;
// where it is narrower (a Winelib build: 16-bit wchar_t as on Windows,
// against a Linux interpreter whose wchar_t is 32-bit) the text goes through
// the UTF-16 codec instead, keeping surrogate pairs as one character and
// lone surrogates as they are, as the interpreter does on Windows.
#ifndef QUILLMERE_SCRIPT_WIDETEXT_H
#define QUILLMERE_SCRIPT_WIDETEXT_H

#include "script/PythonApi.h"

#include <cstddef>
#include <cstring>
#include <string>

namespace widetext {

constexpr bool kInterpreterWide = sizeof(wchar_t) == SIZEOF_WCHAR_T;
static_assert(kInterpreterWide || sizeof(wchar_t) == 2, "wchar_t is either the interpreter's or UTF-16");

// UTF-16 in the machine's byte order.
inline const char *Utf16Codec() {
  const char16_t probe = 1;
  return *reinterpret_cast<const unsigned char *>(&probe) == 1 ? "utf-16-le" : "utf-16-be";
}

}  // namespace widetext

// A new str, or null with the interpreter's error set.
inline PyObject *StrFromWide(const wchar_t *text, std::size_t length) {
  if (widetext::kInterpreterWide)
    return PyUnicode_FromWideChar(text, static_cast<Py_ssize_t>(length));
  return PyUnicode_Decode(reinterpret_cast<const char *>(text), static_cast<Py_ssize_t>(length * sizeof(wchar_t)),
                          widetext::Utf16Codec(), "surrogatepass");
}

inline PyObject *StrFromWide(const std::wstring &text) { return StrFromWide(text.data(), text.size()); }

// The text of a str; false with the interpreter's error set when it has
// none (not a str, or not encodable).
inline bool WideFromStr(PyObject *str, std::wstring *out) {
  if (widetext::kInterpreterWide) {
    Py_ssize_t length = 0;
    wchar_t *wide = PyUnicode_AsWideCharString(str, &length);
    if (!wide) return false;
    out->assign(wide, static_cast<std::size_t>(length));
    PyMem_Free(wide);
    return true;
  }
  PyObject *bytes = PyUnicode_AsEncodedString(str, widetext::Utf16Codec(), "surrogatepass");
  if (!bytes) return false;
  char *data = nullptr;
  Py_ssize_t size = 0;
  const bool ok = PyBytes_AsStringAndSize(bytes, &data, &size) == 0;
  if (ok) {
    out->resize(static_cast<std::size_t>(size) / sizeof(wchar_t));
    if (size) std::memcpy(&(*out)[0], data, static_cast<std::size_t>(size));
  }
  Py_DECREF(bytes);
  return ok;
}

#endif
