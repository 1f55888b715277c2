// Typed reads and writes of settings values, which are held as text and
// converted on every access. Like INISection::GetValue, a read inserts a
// missing key with the empty value before converting it.
#ifndef QUILLMERE_CONFIG_INITYPEDACCESS_H
#define QUILLMERE_CONFIG_INITYPEDACCESS_H

#include <string>

#include <boost/lexical_cast.hpp>

#include "config/INISection.h"

// Provided for int and std::string.
template <typename T>
T GetAs(INISection *section, const std::string &key);
// Provided for int.
template <typename T>
void SetAs(T value, INISection *section, const std::string &key);

// The whole text must be an optional sign and decimal digits within the
// range of int; any other text, the empty one included, raises
// boost::bad_lexical_cast.
template <>
int GetAs<int>(INISection *section, const std::string &key);
// Never fails.
template <>
std::string GetAs<std::string>(INISection *section, const std::string &key);
// Stores the canonical decimal text (see NumberText.h).
template <>
void SetAs<int>(int value, INISection *section, const std::string &key);

#endif
