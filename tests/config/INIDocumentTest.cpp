// The settings document: find-or-insert reads, first-entry rules, comments
// kept by SetValue, typed reads and writes.
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/INIFile.h"
#include "config/INITypedAccess.h"

using configtest::Describe;

TEST(INIDocument, GetSectionAppendsAMissingSectionOnceAndKeepsItsPointer) {
  INIFile document;
  INISection *window = document.GetSection("Window");
  INISection *path = document.GetSection("Path");
  ASSERT_NE(window, nullptr);
  EXPECT_NE(window, path);
  EXPECT_EQ(document.GetSection("Window"), window);
  // Names compare byte for byte.
  EXPECT_NE(document.GetSection("window"), window);
  ASSERT_EQ(document.sections.size(), 3u);
  EXPECT_EQ(document.sections[0].first, "Window");
  EXPECT_EQ(document.sections[1].first, "Path");
  EXPECT_EQ(document.sections[2].first, "window");
  EXPECT_TRUE(window->entries.empty());
}

TEST(INIDocument, GetValueOfAMissingKeyInsertsItEmpty) {
  INIFile document;
  INISection *section = document.GetSection("A");
  section->SetValue("x", "1");
  EXPECT_EQ(section->GetValue("missing"), "");
  EXPECT_EQ(section->GetValue("x"), "1");
  EXPECT_EQ(Describe(document), "[A](x=<1>)(missing=<>)");
  EXPECT_EQ(document.ToText(), "[A]\nx=1\nmissing=\n\n");
}

TEST(INIDocument, ReadsAndWritesActOnTheFirstOfTwoEntriesWithTheSameKey) {
  INIFile document;
  document.AddEntry("A", "k", {}, "first");
  document.AddEntry("A", "k", {}, "second");
  INISection *section = document.GetSection("A");
  EXPECT_EQ(section->GetValue("k"), "first");
  section->SetValue("k", "changed");
  EXPECT_EQ(Describe(document), "[A](k=<changed>)(k=<second>)");
}

TEST(INIDocument, SetValueKeepsCommentsAndPositionOrAppends) {
  INIFile document;
  document.AddEntry("A", "a", {}, "1");
  document.AddEntry("A", "k", {"one", " two"}, "old");
  document.AddEntry("A", "z", {}, "2");
  INISection *section = document.GetSection("A");
  section->SetValue("k", "new");
  section->SetValue("added", "3");
  EXPECT_EQ(Describe(document), "[A](a=<1>)(;one ; two k=<new>)(z=<2>)(added=<3>)");
}

TEST(INIDocument, AddEntryAppendsWithoutLookingForTheKeyAndCreatesSectionsAtTheEnd) {
  INIFile document;
  document.GetSection("First");
  std::vector<std::string> comments{"c"};
  document.AddEntry("Second", "k", comments, "1");
  comments.push_back("later");  // the entry holds its own copy
  document.AddEntry("First", "k", {}, "2");
  document.AddEntry("Second", "k", {}, "3");
  EXPECT_EQ(Describe(document), "[First](k=<2>)[Second](;c k=<1>)(k=<3>)");
}

TEST(INIDocument, GetBoolIsTrueForTrueAndTrueCapitalisedOnly) {
  INIFile document;
  INISection *section = document.GetSection("A");
  const struct {
    const char *text;
    bool expected;
  } cases[] = {{"true", true}, {"True", true}, {"TRUE", false},  {"1", false},
               {"yes", false}, {"", false},    {"true ", false}, {"false", false}};
  for (const auto &c : cases) {
    section->SetValue("b", c.text);
    EXPECT_EQ(section->GetBool("b"), c.expected) << '"' << c.text << '"';
  }
  EXPECT_FALSE(section->GetBool("absent"));
  EXPECT_EQ(section->GetValue("absent"), "");  // inserted by GetBool
  EXPECT_EQ(section->entries.size(), 2u);
}

TEST(INITypedAccess, GetAsIntReadsSignedDecimalText) {
  INIFile document;
  INISection *section = document.GetSection("A");
  const struct {
    const char *text;
    int expected;
  } cases[] = {{"42", 42},
               {"-7", -7},
               {"+5", 5},
               {"007", 7},
               {"-0", 0},
               {"2147483647", INT_MAX},
               {"-2147483648", INT_MIN},
               // Every digit, the first and the last of the range among them.
               {"0", 0},
               {"9", 9},
               {"1234567890", 1234567890},
               {"-987654321", -987654321}};
  for (const auto &c : cases) {
    section->SetValue("n", c.text);
    EXPECT_EQ(GetAs<int>(section, "n"), c.expected) << c.text;
  }
}

TEST(INITypedAccess, GetAsIntRaisesBadLexicalCastForAnythingElse) {
  INIFile document;
  INISection *section = document.GetSection("A");
  const char *const cases[] = {"",  " 42", "42 ",   "4.0",   "0x10", "12345678901", "2147483648",
                               "-", "+",   "1,280", "1 280", "12px", "\t1",         "--1"};
  for (const char *text : cases) {
    section->SetValue("n", text);
    EXPECT_THROW(GetAs<int>(section, "n"), boost::bad_lexical_cast) << '"' << text << '"';
  }
  try {
    GetAs<int>(section, "n");
    FAIL() << "no exception";
  } catch (const boost::bad_lexical_cast &failure) {
    EXPECT_STREQ(failure.what(), "bad lexical cast: source type value could not be interpreted as target");
  }
}

TEST(INITypedAccess, GetAsIntOfAMissingKeyInsertsItBeforeFailing) {
  INIFile document;
  INISection *section = document.GetSection("Window");
  EXPECT_THROW(GetAs<int>(section, "Left"), boost::bad_lexical_cast);
  EXPECT_EQ(Describe(document), "[Window](Left=<>)");
}

TEST(INITypedAccess, GetAsStringNeverFailsAndInsertsAMissingKey) {
  INIFile document;
  INISection *section = document.GetSection("Path");
  section->SetValue("p", " C:\\dir\\x.py ");
  EXPECT_EQ(GetAs<std::string>(section, "p"), " C:\\dir\\x.py ");
  EXPECT_EQ(GetAs<std::string>(section, "FilterPath"), "");
  EXPECT_EQ(Describe(document), "[Path](p=< C:\\dir\\x.py >)(FilterPath=<>)");
}

TEST(INITypedAccess, SetAsIntStoresPlainDecimalTextThatReadsBack) {
  INIFile document;
  INISection *section = document.GetSection("A");
  const struct {
    int value;
    const char *text;
  } cases[] = {{1280, "1280"},
               {-1000, "-1000"},
               {0, "0"},
               {INT_MAX, "2147483647"},
               {INT_MIN, "-2147483648"},
               {1234567890, "1234567890"},
               {-987654321, "-987654321"}};
  for (const auto &c : cases) {
    SetAs<int>(c.value, section, "n");
    EXPECT_EQ(section->GetValue("n"), c.text);
    EXPECT_EQ(GetAs<int>(section, "n"), c.value);
  }
  EXPECT_EQ(section->entries.size(), 1u);
}
