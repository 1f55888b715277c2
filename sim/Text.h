// Conversions between the scenario's UTF-8 and the desktop's wide text
// (one code point per WCHAR here).
#ifndef QUILLMERE_SIM_TEXT_H
#define QUILLMERE_SIM_TEXT_H

#include <string>
#include <vector>

namespace quillmere::sim {

// Malformed bytes become U+FFFD.
std::wstring Widen(const std::string &utf8);
std::string Narrow(const std::wstring &wide);
// Text as a scenario would quote it: "a \"b\"".
std::string Quote(const std::string &utf8);
// The columns the text takes on a terminal: East Asian wide characters
// take two.
std::size_t DisplayWidth(const std::string &utf8);
// Lines separated by "\r\n" (or a lone "\n"); a trailing separator ends the last line.
std::vector<std::string> SplitLines(const std::wstring &text);

}  // namespace quillmere::sim

#endif
