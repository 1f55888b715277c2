// The C library's wide-character primitives for a Winelib build, where
// wchar_t is 16 bits wide (-fshort-wchar, as on Windows) but the host's C
// library works on 32-bit units. The C++ library's std::wstring calls these
// through char_traits<wchar_t>; linked with -Bsymbolic they serve this
// program's own code only, never the host libraries (the interpreter keeps
// the C library's).
#include <cstddef>

extern "C" {

std::size_t wcslen(const wchar_t *s) {
  const wchar_t *p = s;
  while (*p) ++p;
  return static_cast<std::size_t>(p - s);
}

wchar_t *wmemcpy(wchar_t *to, const wchar_t *from, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
  return to;
}

wchar_t *wmemmove(wchar_t *to, const wchar_t *from, std::size_t n) {
  if (to < from) {
    for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
  } else {
    for (std::size_t i = n; i-- > 0;) to[i] = from[i];
  }
  return to;
}

wchar_t *wmemset(wchar_t *to, wchar_t c, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) to[i] = c;
  return to;
}

int wmemcmp(const wchar_t *a, const wchar_t *b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

wchar_t *wmemchr(const wchar_t *s, wchar_t c, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (s[i] == c) return const_cast<wchar_t *>(s + i);
  return nullptr;
}

}
