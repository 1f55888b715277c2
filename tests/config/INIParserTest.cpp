// The grammar and the loader: what is stored, where a pass stops, how
// comments attach, the canonical text of numbers, and reading files.
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/INIFile.h"

using configtest::Describe;

namespace {

struct ParseCase {
  const char *name;
  std::string text;
  bool full;             // ParseText's result
  const char *document;  // Describe() of what was loaded
};

std::ostream &operator<<(std::ostream &out, const ParseCase &c) { return out << c.name; }

class INIParserCase : public ::testing::TestWithParam<ParseCase> {};

TEST_P(INIParserCase, LoadsWhatTheGrammarRecognises) {
  const ParseCase &c = GetParam();
  INIFile document;
  EXPECT_EQ(document.ParseText(c.text), c.full);
  EXPECT_EQ(Describe(document), c.document);
}

// Texts end with a line feed where the loader's would.
const ParseCase kWholeTexts[] = {
    {"Empty", "", true, ""},
    {"OnlyBlankLines", "\n \n\t\n\n", true, ""},
    {"OneEntry", "[Window]\nLeft=100\n\n", true, "[Window](Left=<100>)"},
    {"BlanksAnywhereBetweenLines", "\n\n[A] \n\n  k=v\n\n\t[B]\n\n m=1 \n\n", true, "[A](k=<v>)[B](m=<1>)"},
    {"SectionTwiceIsOneSection", "[A]\nx=1\n[A]\ny=2\n", true, "[A](x=<1>)(y=<2>)"},
    {"DuplicateKeysKept", "[A]\nx=1\nx=2\n", true, "[A](x=<1>)(x=<2>)"},
    {"NamesAreCaseSensitive", "[A]\nk=1\n[a]\nK=2\n", true, "[A](k=<1>)[a](K=<2>)"},
    {"UnderscoresAndDigitsInNames", "[_A1]\n_k2=x\n", true, "[_A1](_k2=<x>)"},
    {"HeaderWithoutEntriesMakesAnEmptySection", "[Empty]\n[A]\nk=v\n[Last]\n", true, "[Empty][A](k=<v>)[Last]"},
    {"CommentsAttachToTheNextEntry", "[A]\n;one\n; two\nk=v\n", true, "[A](;one ; two k=<v>)"},
    {"EmptyComment", "[A]\n;\nk=v\n", true, "[A](; k=<v>)"},
    {"CommentsOfASectionWithoutEntriesAreKept", "[A]\n;c\n;d\n[B]\nk=v\n", true, "[A]{;c}{;d}[B](k=<v>)"},
    {"CommentAfterTheLastEntryIsKeptAtTheEndOfTheText", "[A]\nk=v\n;tail\n", true, "[A](k=<v>){;tail}"},
    {"CommentsAfterTheLastEntryAreKeptBeforeTheNextHeader", "[A]\nk=1\n;a\n; b\n\n[B]\nm=2\n;end\n", true,
     "[A](k=<1>){;a}{; b}[B](m=<2>){;end}"},
    {"TrailingCommentsOfASectionGivenTwiceCollect", "[A]\nk=1\n;a\n[B]\nm=2\n[A]\nn=3\n;c\n", true,
     "[A](k=<1>)(n=<3>){;a}{;c}[B](m=<2>)"},
    {"CommentAfterAHeaderWithoutEntriesIsKept", "[A]\nk=1\n[E]\n;kept\n[B]\nm=2\n[F]\n;end\n", true,
     "[A](k=<1>)[E]{;kept}[B](m=<2>)[F]{;end}"},
    {"CommentsClearedAfterUse", "[A]\n;c\nk=1\nm=2\n", true, "[A](;c k=<1>)(m=<2>)"},
    {"BlanksAroundTheEqualsSign", "[A]\nk \t= \tv\n", true, "[A](k=<v>)"},
    {"LineFeedsBeforeTheEqualsSign", "[A]\nk\n\n=v\n", true, "[A](k=<v>)"},
    {"PlainValueKeepsTrailingBlanks", "[A]\nk=   a b  \n", true, "[A](k=<a b  >)"},
    {"PlainValueHasNoInlineComment", "[A]\nk=a;b\n", true, "[A](k=<a;b>)"},
    {"CommentAfterANumberBelongsToTheNextEntry", "[A]\nk=12 ;note\nm=1\n", true, "[A](k=<12>)(;note m=<1>)"},
    {"EmptyValue", "[A]\nk=\nm=1\n", true, "[A](k=<>)(m=<1>)"},
    {"EmptyLastValue", "[A]\nk=\n\n\n", true, "[A](k=<>)"},
    {"BlankValueIsEmpty", "[A]\nk=   \n", true, "[A](k=<>)"},
    {"QuotedEscapedQuote", "[A]\nk=\"a\\\"b\"\n", true, "[A](k=<a\"b>)"},
    {"QuotedKeepsOtherBackslashes", "[A]\nk=\"C:\\dir\\\\x\"\n", true, "[A](k=<C:\\dir\\\\x>)"},
    {"QuotedSpansLines", "[A]\nk=\"one\ntwo\"\nm=1\n", true, "[A](k=<one\ntwo>)(m=<1>)"},
    {"QuotedKeepsBlanksAndSemicolons", "[A]\nk=\" a ; b \"\n", true, "[A](k=< a ; b >)"},
    {"QuotedNumberStaysText", "[A]\nk=\"007\"\n", true, "[A](k=<007>)"},
    {"Reals", "[A]\na=1e3\nb=.5\nc=2.50\nd=5.\ne=0.1\nf=-1.5E-2\ng=+2e+2\n", true,
     "[A](a=<1000>)(b=<0.5>)(c=<2.5>)(d=<5>)(e=<0.10000000000000001>)(f=<-0.014999999999999999>)(g=<200>)"},
    {"Integers", "[A]\na=-3\nb=10\nc=+007\nd=-0\ne=2147483647\nf=-2147483648\n", true,
     "[A](a=<-3>)(b=<10>)(c=<7>)(d=<0>)(e=<2147483647>)(f=<-2147483648>)"},
    {"IntegerBeyond32BitsIsText", "[A]\na=12345678901\nb=2147483648\n", true, "[A](a=<12345678901>)(b=<2147483648>)"},
    {"Booleans", "[A]\na=true\nb=false\nc=True\nd=TRUE\n", true, "[A](a=<true>)(b=<false>)(c=<True>)(d=<TRUE>)"},
    {"CarriageReturnIsWhitespaceButPartOfAPlainValue", "[A]\r\nk=v\r\n", true, "[A](k=<v\r>)"},
    {"BytesAbove127InValuesAndComments", "[A]\n;\xE9t\xE9\nk=caf\xE9 \xFF\n", true, "[A](;\xE9t\xE9 k=<caf\xE9 \xFF>)"},
};
INSTANTIATE_TEST_SUITE_P(Accepted, INIParserCase, ::testing::ValuesIn(kWholeTexts),
                         [](const ::testing::TestParamInfo<ParseCase> &info) { return std::string(info.param.name); });

// Where a pass stops: everything added before that place stays.
const ParseCase kStoppingPlaces[] = {
    {"EntryBeforeTheFirstHeader", "Left=100\n[Window]\nTop=1\n", false, ""},
    {"CommentBeforeTheFirstHeader", ";c\n[Window]\nTop=1\n", false, ""},
    {"ByteOrderMark", "\xEF\xBB\xBF[A]\nk=v\n", false, ""},
    {"OtherLeadingCharacter", "x[A]\nk=v\n", false, ""},
    {"LeadingByteAbove127", "\xA0[A]\nk=v\n", false, ""},
    {"BlankInsideTheBrackets", "[A]\nk=1\n[ B]\nm=2\n", false, "[A](k=<1>)"},
    {"BlankInTheSectionName", "[A B]\nm=2\n", false, ""},
    {"MissingClosingBracket", "[A]\nk=1\n[B\nm=2\n", false, "[A](k=<1>)"},
    {"HeaderFollowedBySemicolon", "[A];c\nk=v\n", false, ""},
    {"HeaderAtTheEndOfTheText", "[A]", false, ""},
    {"BlankInAKey", "[A]\nk=1\nmy key=2\n", false, "[A](k=<1>)"},
    {"KeyStartingWithADigit", "[A]\n1k=2\n", false, "[A]"},
    {"KeyWithAByteAbove127", "[A]\nk=1\n\xE9t\xE9=2\n", false, "[A](k=<1>)"},
    {"MissingEqualsSign", "[A]\nk=1\nm 2\n", false, "[A](k=<1>)"},
    {"NumberFollowedByALetter", "[A]\nWidth=12px\nm=1\n", false, "[A](Width=<12>)"},
    {"NumberFollowedByABackslash", "[A]\nk=2009\\x\nm=1\n", false, "[A](k=<2009>)"},
    {"RealFollowedByAPoint", "[A]\nk=1.5.2\n", false, "[A](k=<1.5>)"},
    {"BooleanAsAPrefix", "[A]\nk=trueish\n", false, "[A](k=<true>)"},
    {"QuotedFollowedByText", "[A]\nk=\"a\"b\nm=1\n", false, "[A](k=<a>)"},
    {"QuoteInsideAPlainValue", "[A]\nk=a\"b\nm=1\n", false, "[A](k=<a>)"},
    {"UnclosedQuoteTakesTextUpToTheNextQuote", "[A]\nk=\"abc\nm=\"x\"\n", false, "[A](k=<abc\nm=>)"},
    {"BackslashBeforeTheClosingQuoteEscapesIt", "[A]\nk=\"C:\\dir\\\"\nm=1\n", false, "[A](k=<>)"},
    {"UnclosedQuoteWithoutAnotherQuote", "[A]\nk=1\nm=\"abc\nn=2\n", false, "[A](k=<1>)(m=<>)"},
};
INSTANTIATE_TEST_SUITE_P(Stopped, INIParserCase, ::testing::ValuesIn(kStoppingPlaces),
                         [](const ::testing::TestParamInfo<ParseCase> &info) { return std::string(info.param.name); });

// The text counts up to its first null; values and comments that reach the
// end of the text keep all their characters.
const ParseCase kTextEnds[] = {
    {"NullEndsTheText", std::string("[A]\nk=v\n\0m=1\n", 13), true, "[A](k=<v>)"},
    {"NullInsideAValue", std::string("[A]\nk=ab\0cd\n", 12), true, "[A](k=<ab>)"},
    {"NullInsideAHeader", std::string("[A\0]\nk=v\n", 9), false, ""},
    {"PlainValueAtTheEnd", "[A]\nk=abc", true, "[A](k=<abc>)"},
    {"NumberAtTheEnd", "[A]\nk=12", true, "[A](k=<12>)"},
    {"CommentAtTheEnd", "[A]\nk=1\n;tail", true, "[A](k=<1>){;tail}"},
    {"EqualsSignAtTheEnd", "[A]\nk=", true, "[A](k=<>)"},
};
INSTANTIATE_TEST_SUITE_P(TextEnd, INIParserCase, ::testing::ValuesIn(kTextEnds),
                         [](const ::testing::TestParamInfo<ParseCase> &info) { return std::string(info.param.name); });

TEST(INIParser, ParseTextAddsToTheDocument) {
  INIFile document;
  document.GetSection("Window")->SetValue("Left", "1");
  EXPECT_TRUE(document.ParseText("[Path]\nFilterPath=x.py\n[Window]\nTop=2\n"));
  EXPECT_EQ(Describe(document), "[Window](Left=<1>)(Top=<2>)[Path](FilterPath=<x.py>)");
}

TEST(INILoader, ReadsAFileWithCrLfLineEndsLikeOneWithLineFeeds) {
  configtest::ScratchDirectory directory;
  const std::string path = directory / "crlf.ini";
  configtest::WriteBytes(path, "[A]\r\n;note\r\nk=v\r\nq=\"one\r\ntwo\"\r\ncr=a\rb\r\n\r\n");
  INIFile document;
  EXPECT_TRUE(document.LoadFromFile(path));
  // Only a carriage return in front of a line feed is dropped.
  EXPECT_EQ(Describe(document), "[A](;note k=<v>)(q=<one\ntwo>)(cr=<a\rb>)");
}

TEST(INILoader, EndsTheLastLineWithALineFeed) {
  configtest::ScratchDirectory directory;
  const std::string path = directory / "last.ini";
  configtest::WriteBytes(path, "[A]\nk=v\nlast=1");
  INIFile document;
  EXPECT_TRUE(document.LoadFromFile(path));
  EXPECT_EQ(Describe(document), "[A](k=<v>)(last=<1>)");

  configtest::WriteBytes(path, "");
  INIFile empty;
  EXPECT_TRUE(empty.LoadFromFile(path));
  EXPECT_TRUE(empty.sections.empty());
}

TEST(INILoader, StopsReadingAtANullByteInTheFile) {
  configtest::ScratchDirectory directory;
  const std::string path = directory / "null.ini";
  configtest::WriteBytes(path, std::string("[A]\nk=v\n\0[B]\nm=1\n", 17));
  INIFile document;
  EXPECT_TRUE(document.LoadFromFile(path));
  EXPECT_EQ(Describe(document), "[A](k=<v>)");
}

TEST(INILoader, ReportsAPartialReadAndKeepsWhatWasRead) {
  configtest::ScratchDirectory directory;
  const std::string path = directory / "partial.ini";
  configtest::WriteBytes(path, "[A]\nk=1\nm=2px\nn=3\n");
  INIFile document;
  EXPECT_FALSE(document.LoadFromFile(path));
  EXPECT_EQ(Describe(document), "[A](k=<1>)(m=<2>)");
}

TEST(INILoader, AMissingFileLoadsNothing) {
  configtest::ScratchDirectory directory;
  INIFile document;
  EXPECT_FALSE(document.LoadFromFile(directory / "absent.ini"));
  EXPECT_TRUE(document.sections.empty());
}

}  // namespace
