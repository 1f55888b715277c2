// Numbers are stored in one text form whatever the process locale is.
#include <clocale>
#include <cstdio>
#include <locale>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/INIFile.h"
#include "config/INITypedAccess.h"
#include "config/NumberText.h"

using configtest::Describe;

namespace {

std::string PrintfReal(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

TEST(NumberText, RealsTakeThePrintfFormInTheClassicLocale) {
  const double values[] = {0.1,
                           0.5,
                           2.5,
                           1000.0,
                           5.0,
                           -3.25,
                           1e20,
                           1e-7,
                           123456789012345678.0,
                           1.0 / 3,
                           -0.0,
                           1e300,
                           4.9406564584124654e-324};
  for (double value : values) EXPECT_EQ(RealText(value), PrintfReal(value)) << PrintfReal(value);
  EXPECT_EQ(RealText(0.1), "0.10000000000000001");
  EXPECT_EQ(RealText(1000.0), "1000");
  EXPECT_EQ(RealText(1e20), "1e+20");
}

// Groups digits by three with a comma and uses a comma as decimal separator,
// as many national locales do.
struct CommaNumpunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return ','; }
  std::string do_grouping() const override { return "\3"; }
};

class GlobalLocale {
 public:
  explicit GlobalLocale(const std::locale &locale) : previous_(std::locale::global(locale)) {}
  ~GlobalLocale() { std::locale::global(previous_); }

 private:
  std::locale previous_;
};

TEST(NumberText, TypedAccessIgnoresTheGlobalCppLocale) {
  GlobalLocale comma(std::locale(std::locale::classic(), new CommaNumpunct));
  INIFile document;
  INISection *section = document.GetSection("A");
  SetAs<int>(1280, section, "Width");
  EXPECT_EQ(section->GetValue("Width"), "1280");
  SetAs<int>(-1000000, section, "Left");
  EXPECT_EQ(section->GetValue("Left"), "-1000000");
  EXPECT_EQ(GetAs<int>(section, "Left"), -1000000);
  section->SetValue("Grouped", "1,280");
  EXPECT_THROW(GetAs<int>(section, "Grouped"), boost::bad_lexical_cast);

  INIFile loaded;
  EXPECT_TRUE(loaded.ParseText("[A]\nr=2.5\nn=1234567\n"));
  EXPECT_EQ(Describe(loaded), "[A](r=<2.5>)(n=<1234567>)");
}

// A C locale with a comma as decimal separator, when this machine has one.
const char *InstallCommaCLocale() {
  const char *const names[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE",  "fr_FR.UTF-8",
                               "fr_FR.utf8",  "fr_FR",      "German", "German_Germany.1252"};
  for (const char *name : names)
    if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') return name;
  std::setlocale(LC_ALL, "C");
  return nullptr;
}

TEST(NumberText, StoredNumbersIgnoreTheCLocale) {
  const char *name = InstallCommaCLocale();
  if (!name) GTEST_SKIP() << "no locale with a comma as decimal separator is installed";
  EXPECT_EQ(PrintfReal(2.5), "2,5") << name;  // the locale is in effect
  const std::string real = RealText(2.5);
  INIFile document;
  const bool full = document.ParseText("[A]\nr=1.5e1\nh=0.1\nn=-42\n");
  INISection *section = document.GetSection("A");
  SetAs<int>(1280, section, "w");
  std::setlocale(LC_ALL, "C");

  EXPECT_EQ(real, "2.5");
  EXPECT_TRUE(full);
  EXPECT_EQ(Describe(document), "[A](r=<15>)(h=<0.10000000000000001>)(n=<-42>)(w=<1280>)");
}

}  // namespace
