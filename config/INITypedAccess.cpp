#include "config/INITypedAccess.h"

#include <typeinfo>

#include "config/NumberText.h"

namespace {

// An optional sign followed by one or more ASCII digits. boost::lexical_cast
// on its own would also accept digit-grouping separators when the global C++
// locale has them ("1,280" under a Japanese or English locale), so the text is
// checked first and lexical_cast only converts and checks the range.
bool IsDecimalInteger(const std::string &text) {
  std::string::size_type i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

}  // namespace

template <>
int GetAs<int>(INISection *section, const std::string &key) {
  const std::string text = section->GetValue(key);
  if (!IsDecimalInteger(text)) throw boost::bad_lexical_cast(typeid(std::string), typeid(int));
  return boost::lexical_cast<int>(text);
}

template <>
std::string GetAs<std::string>(INISection *section, const std::string &key) {
  return section->GetValue(key);
}

// boost::lexical_cast<std::string>(int) groups digits under a locale that
// groups, so the locale-independent canonical text is used instead; it is
// also the text the loader stores for integers.
template <>
void SetAs<int>(int value, INISection *section, const std::string &key) {
  section->SetValue(key, IntegerText(value));
}
