// The INI cases: one table, run natively against the project's own reader/writer and, in the
// Windows build under Wine, against GetPrivateProfileStringA / WritePrivateProfileStringA. Each
// case writes a file (or none), makes its calls in order and compares every result and the file's
// bytes afterwards. The expected values are what Wine 8 does under code page 932.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "unit/platform/temp_folder.h"

using namespace std::string_literals;

namespace {

struct Step {
  enum Kind { kRead, kWrite, kReplace, kDelete } kind;
  std::string section, key, arg;  // arg: the default (read), the value (write), the new bytes (replace)
  std::string expected;           // read: the value
  bool ok = true;                 // write: the result
};

Step Rd(std::string s, std::string k, std::string def, std::string expected) {
  return {Step::kRead, std::move(s), std::move(k), std::move(def), std::move(expected)};
}
Step Wr(std::string s, std::string k, std::string value, bool ok = true) {
  return {Step::kWrite, std::move(s), std::move(k), std::move(value), {}, ok};
}
Step Replace(std::string bytes) { return {Step::kReplace, {}, {}, std::move(bytes), {}}; }
Step Delete() { return {Step::kDelete, {}, {}, {}, {}}; }

using Bytes = std::optional<std::string>;
const Bytes kNoFile;

struct IniCase {
  std::string id;
  Bytes before;
  std::vector<Step> steps;
  Bytes after;
};

// A case that only reads: the file stays as it was.
IniCase Reads(std::string id, Bytes file, std::vector<Step> steps) {
  return {std::move(id), file, std::move(steps), file};
}

std::vector<IniCase> Cases() {
  const std::string v5000(5000, 'x');
  return {
      // Spacing, '=' and comments.
      Reads("Basic", "[S]\r\nk=12\r\n"s, {Rd("S", "k", "D", "12")}),
      Reads("SpacesAroundKeyAndValue", "[S]\r\n   k   =   5   \r\n"s, {Rd("S", "k", "D", "5")}),
      Reads("TabsAroundKeyAndValue", "[S]\r\nk\t=\tv\t\r\n"s, {Rd("S", "k", "D", "v")}),
      Reads("OtherBlanksAreTrimmed",
            "[S]\r\nk=\x0bv\x0c\x1a\r\nm=\x1a"
            "a\r\n"s,
            {Rd("S", "k", "D", "v"), Rd("S", "m", "D", "a")}),
      Reads("FullWidthSpaceIsNotABlank", "[S]\r\nk=　v　\r\n"s, {Rd("S", "k", "D", "　v　")}),
      Reads("ControlCharactersStay", "[S]\r\nk=\x01v\x1f\r\n"s, {Rd("S", "k", "D", "\x01v\x1f")}),
      Reads("InnerSpacesStay", "[S]\r\nmy key = v w \r\nt=a\tb  c\r\n"s,
            {Rd("S", "my key", "D", "v w"), Rd("S", "mykey", "D", "D"), Rd("S", "t", "D", "a\tb  c")}),
      Reads("FirstEqualsSplits", "[S]\r\na=b=c\r\n"s, {Rd("S", "a", "D", "b=c"), Rd("S", "a=b", "D", "D")}),
      Reads("InlineCommentIsValue", "[S]\r\nk=12 ; comment\r\n"s, {Rd("S", "k", "D", "12 ; comment")}),
      Reads("BackslashIsPlain", "[S]\r\nk=line1\\nline2\r\n"s, {Rd("S", "k", "D", "line1\\nline2")}),
      Reads("CommentLinesAreKeys", "[S]\r\n;k=5\r\n#h=6\r\n"s,
            {Rd("S", "k", "D", "D"), Rd("S", ";k", "D", "5"), Rd("S", "h", "D", "D"), Rd("S", "#h", "D", "6")}),
      Reads("EmptyKeyName", "[S]\r\n=v\r\nk=1\r\n[T]\r\n   =w\r\n[U]\r\n=\r\n"s,
            {Rd("S", "", "D", "v"), Rd("T", "", "D", "w"), Rd("U", "", "D", "")}),
      Reads("LongValue", "[S]\r\nk=0123456789012345678901234567890123456789\r\n"s,
            {Rd("S", "k", "D", "0123456789012345678901234567890123456789")}),
      Reads("ValuesAroundTheFirstBuffer",
            "[S]\r\na=" + std::string(254, 'a') + "\r\nb=" + std::string(255, 'b') + "\r\nc=" + std::string(256, 'c') +
                "\r\nd=" + std::string(257, 'd') + "\r\ne=" + v5000 + "\r\n",
            {Rd("S", "a", "D", std::string(254, 'a')), Rd("S", "b", "D", std::string(255, 'b')),
             Rd("S", "c", "D", std::string(256, 'c')), Rd("S", "d", "D", std::string(257, 'd')),
             Rd("S", "e", "D", v5000)}),

      // Quotes.
      Reads("Quotes",
            "[S]\r\na='x'\r\nb=\"x\"\r\nc='x\"\r\nd=\"x\r\ne='\r\nf=\"\"\r\ng=  ' x y '  \r\nh='x'y'\r\n"
            "i=\"x\" ; c\r\nj=\" x \"\r\n"s,
            {Rd("S", "a", "D", "x"), Rd("S", "b", "D", "x"), Rd("S", "c", "D", "'x\""), Rd("S", "d", "D", "\"x"),
             Rd("S", "e", "D", "'"), Rd("S", "f", "D", ""), Rd("S", "g", "D", " x y "), Rd("S", "h", "D", "x'y"),
             Rd("S", "i", "D", "\"x\" ; c"), Rd("S", "j", "D", " x ")}),

      // Missing things and defaults.
      Reads("MissingKeyGivesDefault", "[S]\r\nk=v\r\n"s,
            {Rd("S", "nokey", "dflt  ", "dflt"), Rd("S", "nokey", "  dflt", "  dflt"), Rd("S", "nokey", "", ""),
             Rd("S", "nokey", "d\t", "d\t"), Rd("S", "nokey", "d \t ", "d \t"), Rd("T", "k", "D", "D"),
             Rd("S", "", "D", "D"), Rd("", "k", "D", "D")}),
      Reads("EmptyValueIsNotDefault", "[S]\r\nk=\r\nm= \r\n"s, {Rd("S", "k", "D", ""), Rd("S", "m", "D", "")}),
      Reads("KeyWithoutValueGivesDefault", "[S]\r\nk\r\n"s, {Rd("S", "k", "D  ", "D")}),
      Reads("MissingFile", kNoFile, {Rd("S", "k", "dflt", "dflt")}),
      Reads("DefaultIsConverted", "[S]\r\n"s,
            {Rd("S", "z", "\x87\x9A", "∵"), Rd("S", "z", "a\x82", "a"), Rd("S", "z", "\xEF\xBC", "・")}),

      // Case, duplicates and where lines belong.
      Reads("NamesIgnoreCase", "[Sec]\r\nKey=5\r\n"s, {Rd("sEC", "kEY", "D", "5"), Rd("SEC", "KEY", "D", "5")}),
      Reads("OnlyAsciiLettersFold", "[ＡＢ]\r\nｋ=1\r\n"s, {Rd("ａｂ", "Ｋ", "D", "D"), Rd("ab", "k", "D", "D")}),
      Reads("FirstDuplicateKeyWins", "[S]\r\nk=1\r\nk=2\r\nK=3\r\n"s, {Rd("S", "k", "D", "1")}),
      Reads("OnlyFirstSectionIsSearched", "[S]\r\na=1\r\n[T]\r\nx=0\r\n[S]\r\nk=2\r\n[s]\r\nm=3\r\n"s,
            {Rd("S", "a", "D", "1"), Rd("S", "k", "D", "D"), Rd("S", "m", "D", "D")}),
      Reads("LinesBeforeFirstHeader", "k=3\r\n[S]\r\na=1\r\n"s, {Rd("", "k", "D", "3"), Rd("S", "k", "D", "D")}),
      Reads("EmptyHeaderIsASecondEmptySection", "[]\r\nk=5\r\n"s, {Rd("", "k", "D", "D")}),
      Reads("BlankLinesIgnored", "\r\n\r\n[S]\r\n\r\n\r\nk=4\r\n\r\n"s, {Rd("S", "k", "D", "4")}),
      Reads("QueryIsTrimmed", "[S]\r\nk=12\r\n"s,
            {Rd("S ", "k", "D", "12"), Rd("S", "k ", "D", "12"), Rd(" S", " k", "D", "12"),
             Rd("\tS\x1a", "\x0bk\t", "D", "12"), Rd("　S", "k", "D", "D")}),

      // Section headers.
      Reads("HeaderSpaces", "[ S ]\r\nk=6\r\n   [T]   \r\nm=7\r\n[\tU\x1a]\r\nn=8\r\n"s,
            {Rd("S", "k", "D", "6"), Rd(" S ", "k", "D", "6"), Rd("T", "m", "D", "7"), Rd("U", "n", "D", "8")}),
      Reads("TextAfterHeaderIgnored", "[S]junk\r\nk=8\r\n"s, {Rd("S", "k", "D", "8")}),
      Reads("HeaderEndsAtLastBracket", "[a[b]]c]\r\nk=1\r\n[a ] x ]\r\nm=2\r\n"s,
            {Rd("a[b]]c", "k", "D", "1"), Rd("a ] x", "m", "D", "2")}),
      Reads("UnclosedHeaderIsALine", "[S\r\nk=9\r\n"s, {Rd("S", "k", "D", "D"), Rd("", "k", "D", "9")}),
      Reads("TrailByteBracketIsNoBracket", "[Sゾ\r\nk=1\r\n[ゾ]\r\nm=2\r\n"s,
            {Rd("Sゾ", "k", "D", "D"), Rd("", "k", "D", "1"), Rd("ゾ", "m", "D", "2")}),

      // Line ends.
      Reads("BareCr", "[S]\rk=10\r"s, {Rd("S", "k", "D", "10")}),
      Reads("BareLf", "[S]\nk=11\n"s, {Rd("S", "k", "D", "11")}),

      // Shift-JIS and other encodings.
      Reads("ShiftJisNames", "[日本]\r\nキー=ＭＳ ゴシック\r\n[表]\r\nソ=予定表\r\n"s,
            {Rd("日本", "キー", "D", "ＭＳ ゴシック"), Rd("表", "ソ", "D", "予定表")}),
      Reads("ByteSingles", "[S]\r\nk=\x80\xA0\xFD\xFE\xFF\r\n"s, {Rd("S", "k", "D", "\x80\xA0\xFD\xFE\xFF")}),
      Reads("UserDefinedCharacter", "[S]\r\nk=\xF0\x40\r\n"s, {Rd("S", "k", "D", "\xF0\x40")}),
      Reads("DuplicateCodesReadCanonical", "[S]\r\nk=\x87\x9A\xFA\x5B\xED\x40\xFA\x5C\r\n"s,
            {Rd("S", "k", "D", "∵∵\xFA\x5C\xFA\x5C"), Rd("S", "z", "D", "D")}),
      Reads("QueryIsConverted", "[∵]\r\n∵=1\r\n"s, {Rd("\x87\x9A", "\xFA\x5B", "D", "1")}),
      Reads("InvalidPairs", "[S]\r\nk=\x82 x\x82\x7F\r\nu=\xEF\xBC\xAD\xEF\xBC\xB3\r\n"s,
            {Rd("S", "k", "D", "・x・"), Rd("S", "u", "D", "・\xAD・\xB3")}),
      Reads("LeadByteTakesLineEnd", "[S]\r\nk=a\x82\r\nm=2\r\n"s, {Rd("S", "k", "D", "a・"), Rd("S", "m", "D", "2")}),
      Reads("LeadByteTakesBareCr", "[S]\rk=a\x82\rm=2\r"s, {Rd("S", "k", "D", "a・m=2"), Rd("S", "m", "D", "D")}),
      Reads("LeadByteTakesBracket", "[S]\r\n\x82[T]\r\nm=2\r\n"s, {Rd("S", "m", "D", "2"), Rd("T", "m", "D", "D")}),
      Reads("LeadByteAtEnd", "[S]\r\nk=a\x82"s, {Rd("S", "k", "D", "a・")}),
      Reads("Utf8WithMark", "\xEF\xBB\xBF[a]\r\nx=\xEF\xBC\xAD\xEF\xBC\xB3\r\ny=\xF0\x9F\x98\x80v\r\n"s,
            {Rd("a", "x", "D", "ＭＳ"), Rd("a", "y", "D", "??v")}),
      Reads("Utf16Le", "\xFF\xFE[\0a\0]\0\r\0\n\0x\0=\0-\xFF\x33\xFF\r\0\n\0"s, {Rd("a", "x", "D", "ＭＳ")}),
      Reads("Utf16Be", "\xFE\xFF\0[\0S\0]\0\r\0\n\0k\0=\0v\0\r\0\n"s, {Rd("S", "k", "D", "v")}),
      Reads("Utf16WithoutMarkIsShiftJis", "[\0S\0]\0\r\0\n\0k\0=\0v\0\r\0\n\0"s, {Rd("S", "k", "D", "D")}),

      // NUL bytes end names and values.
      Reads("NulInValue", "[S]\r\nk=a\0b\r\nm=2\r\n"s, {Rd("S", "k", "D", "a"), Rd("S", "m", "D", "2")}),
      Reads("LeadByteBeforeNul", "[S]\r\nk=a\x82\0b\r\nm=2\r\n"s, {Rd("S", "k", "D", "a・"), Rd("S", "m", "D", "2")}),

      // The file is read again on every call.
      {"ChangedOnDisk",
       "[a]\r\nx=1\r\n"s,
       {Rd("a", "x", "D", "1"), Replace("[a]\r\nx=22\r\n"), Rd("a", "x", "D", "22"), Replace("[a]\r\nx=3\r\n"),
        Rd("a", "x", "D", "3"), Delete(), Rd("a", "x", "D", "D")},
       kNoFile},
      {"WriteUsesCurrentContent",
       "[a]\r\nx=1\r\n"s,
       {Rd("a", "x", "D", "1"), Replace("[a]\r\nx=5\r\n"), Wr("a", "y", "2")},
       "[a]\r\nx=5\r\ny=2\r\n"s},

      // Writes: new files, keys and sections.
      {"NewFile", kNoFile, {Wr("Sec", "Key", "Val")}, "[Sec]\r\nKey=Val\r\n"s},
      {"NewFileTwoKeys", kNoFile, {Wr("Sec", "A", "1"), Wr("Sec", "B", "2")}, "[Sec]\r\nA=1\r\nB=2\r\n"s},
      {"NewFileTwoSections", kNoFile, {Wr("S1", "a", "1"), Wr("S2", "b", "2")}, "[S1]\r\na=1\r\n[S2]\r\nb=2\r\n"s},
      {"EmptyFile", ""s, {Wr("a", "x", "1")}, "[a]\r\nx=1\r\n"s},
      {"NewKeyEndsItsSection",
       "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n"s,
       {Wr("a", "z", "3")},
       "[a]\r\nx=1\r\nz=3\r\n[b]\r\ny=2\r\n"s},
      {"NewSectionAtEnd", "[a]\r\nx=1\r\n\r\n"s, {Wr("b", "y", "2")}, "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"s},
      {"BlankLinesDropped",
       "[a]\r\nx=1\r\n\r\n\r\n\r\n[b]\r\ny=2\r\n\r\n"s,
       {Wr("c", "z", "3")},
       "[a]\r\nx=1\r\n[b]\r\ny=2\r\n[c]\r\nz=3\r\n"s},
      {"EmptySectionGetsKey",
       "[a]\r\nx=1\r\n[b]\r\n"s,
       {Wr("b", "y", "2"), Wr("c", "z", "3")},
       "[a]\r\nx=1\r\n[b]\r\ny=2\r\n[c]\r\nz=3\r\n"s},
      {"NewKeyAfterTrailingComments",
       "[a]\r\nx=1\r\n\r\n;trailing comment\r\n"s,
       {Wr("a", "y", "2")},
       "[a]\r\nx=1\r\n;trailing comment\r\ny=2\r\n"s},
      {"NewKeyBeforeNextHeader",
       "[a]\r\nx=1\r\n;c\r\n[b]\r\n"s,
       {Wr("a", "y", "2")},
       "[a]\r\nx=1\r\n;c\r\ny=2\r\n[b]\r\n"s},
      {"NoFinalLineEnd", "[a]\r\nx=1"s, {Wr("a", "y", "2")}, "[a]\r\nx=1\r\ny=2\r\n"s},
      {"NoFinalLineEndNewSection", "[a]\r\nx=1"s, {Wr("b", "y", "2")}, "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"s},
      {"OnlyAComment", ";c\r\n"s, {Wr("b", "y", "2")}, ";c\r\n[b]\r\ny=2\r\n"s},
      {"EmptySectionName",
       "x=1\r\n[a]\r\ny=2\r\n"s,
       {Wr("a", "z", "3"), Wr("", "x", "5"), Wr("", "n", "6")},
       "x=5\r\nn=6\r\n[a]\r\ny=2\r\nz=3\r\n"s},
      {"EmptySectionNameNewFile", kNoFile, {Wr("", "n", "1"), Rd("", "n", "D", "1")}, "n=1\r\n"s},
      // Wine writes the later "[]" without its header, so k=5 joins [a]; the Linux build keeps it.
      {"EmptySectionNameBeforeHeaders",
       "[a]\r\nx=1\r\n[]\r\nk=5\r\n"s,
       {Rd("", "k", "D", "D"), Wr("", "k", "6")},
#ifdef _WIN32
       "k=6\r\n[a]\r\nx=1\r\nk=5\r\n"s},
#else
       "k=6\r\n[a]\r\nx=1\r\n[]\r\nk=5\r\n"s},
#endif
      {"EmptyKeyWritten",
       "[a]\r\nx=1\r\n=v\r\n"s,
       {Wr("a", "", "w"), Wr("b", "", "1")},
       "[a]\r\nx=1\r\n=w\r\n[b]\r\n=1\r\n"s},

      // Writes: changing keys.
      {"ChangeKeepsFileSpelling",
       "[Sec]\r\nKey=1\r\n"s,
       {Wr("SEC", "KEY", "2"), Wr("SEC", "other", "3")},
       "[Sec]\r\nKey=2\r\nother=3\r\n"s},
      {"ChangeRewritesLf", "[a]\nx=1\ny=2\n"s, {Wr("a", "x", "9")}, "[a]\r\nx=9\r\ny=2\r\n"s},
      {"ChangeRewritesCr", "[S]\rk=1\r"s, {Wr("S", "k", "2")}, "[S]\r\nk=2\r\n"s},
      {"ChangeNormalisesLayout",
       "\t[S]  \r\n  a  =  1  \r\n;c \r\nk\r\n\r\n#h = 2\r\n[T]x\r\n b=2\r\n[ U ]\r\n  y = 5  \r\n"s,
       {Wr("S", "new", "3")},
       "[S]\r\na=1\r\n;c\r\nk\r\n#h=2\r\nnew=3\r\n[T]\r\nb=2\r\n[U]\r\ny=5\r\n"s},
      {"ChangeFirstDuplicateKey", "[a]\r\nk=1\r\nk=2\r\n"s, {Wr("a", "K", "9")}, "[a]\r\nk=9\r\nk=2\r\n"s},
      {"ChangeInFirstDuplicateSection",
       "[S]\r\na=1\r\n[s]\r\nk=2\r\n"s,
       {Wr("s", "k", "9")},
       "[S]\r\na=1\r\nk=9\r\n[s]\r\nk=2\r\n"s},
      {"ChangeValuelessLine", "[a]\r\nx\r\ny\r\n"s, {Wr("a", "x", "2"), Wr("a", "y", "")}, "[a]\r\nx=2\r\ny=\r\n"s},
      {"ChangeCaseOfValue", "[a]\nx=Abc\n"s, {Wr("a", "x", "abc")}, "[a]\r\nx=abc\r\n"s},
      {"ChangeDropsQuotes", "[a]\nx=\"q\"\n"s, {Wr("a", "x", "q")}, "[a]\r\nx=q\r\n"s},
      {"LastValueWins", "[a]\r\nx=1\r\n"s, {Wr("a", "x", "ＡＢ"), Wr("a", "X", "ａｂ")}, "[a]\r\nx=ａｂ\r\n"s},
      {"CommentsKept", "; header\r\n[a]\r\n; c\r\nx=1\r\n"s, {Wr("a", "x", "2")}, "; header\r\n[a]\r\n; c\r\nx=2\r\n"s},
      {"HeaderTextCut", "[ S ]\r\nk=1\r\n[T]junk\r\nm=1\r\n"s, {Wr("S", "k", "2")}, "[S]\r\nk=2\r\n[T]\r\nm=1\r\n"s},
      {"UnclosedHeaderKept", "[S\r\nk=1\r\n"s, {Wr("S", "k", "2")}, "[S\r\nk=1\r\n[S]\r\nk=2\r\n"s},
      {"BlankOnlyLinesDropped", "[a]\r\n\x1a\r\nk=1\r\n\x1a"s, {Wr("a", "k", "2")}, "[a]\r\nk=2\r\n"s},
      {"CrOnlyLines",
       "\r\r\r[S]\r\r\nk=1\n\r\n"s,
       {Rd("S", "k", "D", "1"), Wr("S", "j", "2")},
       "[S]\r\nk=1\r\nj=2\r\n"s},

      // Writes that change nothing leave the file alone.
      {"SameValueUntouched", "[a]\nx=1\ny=2\n"s, {Wr("a", "x", "1")}, "[a]\nx=1\ny=2\n"s},
      {"SameValueSpacingKept", "[a]\nx = 1 \n\n"s, {Wr("a", "X", "1")}, "[a]\nx = 1 \n\n"s},
      {"SameValueBlankLinesKept", "[a]\r\nx=1\r\n\r\n\r\n"s, {Wr("a", "x", "1")}, "[a]\r\nx=1\r\n\r\n\r\n"s},
      {"SameEmptyValue", "[a]\nx=\n"s, {Wr("a", "x", "")}, "[a]\nx=\n"s},
      {"SameValueAfterConversion", "[a]\nx=\x87\x9A\n"s, {Wr("a", "x", "∵")}, "[a]\nx=\x87\x9A\n"s},
      {"SameQuotedValue", "[S]\r\nk=\"1\"\r\n"s, {Wr("S", "k", "\"1\"")}, "[S]\r\nk=\"1\"\r\n"s},

      // Writes: spacing and content of what is written.
      {"ValueLeadingBlanksDropped", kNoFile, {Wr("a", "x", "  v  "), Rd("a", "x", "D", "v")}, "[a]\r\nx=v  \r\n"s},
      // The next rewrite comes from the parsed file, so earlier trailing blanks go then.
      {"TrailingBlanksLastUntilNextRewrite",
       kNoFile,
       {Wr("a", "x", "  v  "), Wr("a", "t", "\tv\t"), Wr("a", "u", "\x1a\x0bv")},
       "[a]\r\nx=v\r\nt=v\r\nu=v\r\n"s},
      {"BlankValue", "[a]\r\nx=1\r\n"s, {Wr("a", "x", "   ")}, "[a]\r\nx=\r\n"s},
      {"EmptyValue", kNoFile, {Wr("a", "k", "")}, "[a]\r\nk=\r\n"s},
      {"TrailingBlanksKept", "[a]\r\nk=1\r\n"s, {Wr("a", "k", "2\x1a")}, "[a]\r\nk=2\x1a\r\n"s},
      {"TrailingFullWidthSpaceKept",
       "[a]\r\nk=1\r\n"s,
       {Wr("a", "k", "2\x1a"), Wr("a", "m", "v　")},
       "[a]\r\nk=2\r\nm=v　\r\n"s},
      {"SpacedKeyName", kNoFile, {Wr("a", " k ", "v"), Rd("a", "k", "D", "v")}, "[a]\r\nk =v\r\n"s},
      {"SpacedSectionName", kNoFile, {Wr(" s ", "k", "v"), Rd("s", "k", "D", "v")}, "[s ]\r\nk=v\r\n"s},
      {"SpacedSectionNameRewritten",
       kNoFile,
       {Wr(" s ", "k", "v"), Wr("\tt\t", "k", "v"), Rd("s", "k", "D", "v")},
       "[s]\r\nk=v\r\n[t\t]\r\nk=v\r\n"s},
      {"SpacedNamesMatchExisting", "[s]\r\nk=1\r\n"s, {Wr(" s ", "k", "2"), Wr("s", " k ", "3")}, "[s]\r\nk=3\r\n"s},
      {"QuotesStoredVerbatim",
       kNoFile,
       {Wr("a", "q", "\"q\""), Rd("a", "q", "D", "q"), Wr("a", "r", "'r'"), Wr("a", "s", "'s")},
       "[a]\r\nq=\"q\"\r\nr='r'\r\ns='s\r\n"s},
      {"LineBreakInValueSplits",
       kNoFile,
       {Wr("a", "k", "l1\r\nl2"), Rd("a", "k", "D", "l1")},
       "[a]\r\nk=l1\r\nl2\r\n"s},
      {"LineBreakInKey", "[S]\r\n"s, {Wr("S", "a\r\nb", "2")}, "[S]\r\na\r\nb=2\r\n"s},
      {"EqualsInKey",
       "[a]\r\na=b=c\r\n"s,
       {Wr("a", "a=b", "d"), Rd("a", "a", "D", "b=c")},
       "[a]\r\na=b=c\r\na=b=d\r\n"s},
      {"BracketInSectionName",
       "[a]\r\nx=1\r\n"s,
       {Wr("b]c", "y", "1"), Rd("b]c", "y", "D", "1"), Rd("b", "y", "D", "D"), Wr("[d", "z", "2"),
        Rd("[d", "z", "D", "2")},
       "[a]\r\nx=1\r\n[b]c]\r\ny=1\r\n[[d]\r\nz=2\r\n"s},
      {"KeyLookingLikeAHeader",
       "[a]\r\nx=1\r\n"s,
       {Wr("a", "[y]", "1"), Rd("a", "[y]", "D", "D"), Wr("a", ";y", "2")},
       "[a]\r\nx=1\r\n;y=2\r\n[y]\r\n"s},

      // Writes: Shift-JIS and other encodings.
      {"ShiftJisValue",
       kNoFile,
       {Wr("a", "font", "ＭＳ ゴシック"), Rd("a", "font", "D", "ＭＳ ゴシック")},
       "[a]\r\nfont=ＭＳ ゴシック\r\n"s},
      {"ShiftJisNamesWritten",
       kNoFile,
       {Wr("日本語", "キー", "予定表"), Rd("日本語", "キー", "D", "予定表")},
       "[日本語]\r\nキー=予定表\r\n"s},
      {"ShiftJisRewrittenCanonical",
       "[S]\r\nk=\xEF\xBC\r\nd=\x87\x9A\xFA\x5B\xED\x40\r\ns=\x80\xA0\xFD\r\n"s,
       {Wr("S", "n", "1")},
       "[S]\r\nk=・\r\nd=∵∵\xFA\x5C\r\ns=\x80\xA0\xFD\r\nn=1\r\n"s},
      {"ShiftJisWrittenCanonical",
       "[S]\r\nk=1\r\n"s,
       {Wr("S", "n", "\x87\x9A\xFA\x5B\xED\x40\xEF\xBC\x80\xA0\xFD"), Wr("S", "m", "a\x82"), Wr("S", "o", "\x82\r")},
       "[S]\r\nk=1\r\nn=∵∵\xFA\x5C・\x80\xA0\xFD\r\nm=a\r\no=・\r\n"s},
      {"LeadByteEndsKey", "[a]\r\n"s, {Wr("a", "k\x82", "1")}, "[a]\r\nk=1\r\n"s},
      {"Utf8FileGetsUtf8",
       "\xEF\xBB\xBF[a]\r\nx=1\r\n"s,
       {Wr("a", "y", "ＭＳ ゴシック"), Rd("a", "y", "D", "ＭＳ ゴシック"), Wr("a", "x", "2")},
       "\xEF\xBB\xBF[a]\r\nx=2\r\ny=\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF\r\n"s},
      {"Utf8SameValueUntouched",
       "\xEF\xBB\xBF[S]\r\nk=\xE3\x82\xBD\r\n"s,
       {Wr("S", "k", "ソ")},
       "\xEF\xBB\xBF[S]\r\nk=\xE3\x82\xBD\r\n"s},
      {"Utf8MarkOnly", "\xEF\xBB\xBF"s, {Wr("S", "k", "1")}, "\xEF\xBB\xBF[S]\r\nk=1\r\n"s},
      {"Utf16LeFileGetsUtf16",
       "\xFF\xFE[\0a\0]\0\r\0\n\0x\0=\0"
       "1\0\r\0\n\0"s,
       {Wr("a", "y", "ＭＳ")},
       "\xFF\xFE[\0a\0]\0\r\0\n\0x\0=\0"
       "1\0\r\0\n\0y\0=\0-\xFF\x33\xFF\r\0\n\0"s},
      {"Utf16LeMarkOnly", "\xFF\xFE"s, {Wr("S", "k", "ソ")}, "\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\xBD\x30\r\0\n\0"s},
      {"Utf16BeFileGetsUtf16Be",
       "\xFE\xFF\0[\0S\0]\0\r\0\n\0k\0=\0v\0\r\0\n"s,
       {Wr("S", "n", "1")},
       "\xFE\xFF\0[\0S\0]\0\r\0\n\0k\0=\0v\0\r\0\n\0n\0=\0"
       "1\0\r\0\n"s},

      // Writes: NUL bytes in the file end its names and values.
      {"NulInKeyRewritten",
       "[S]\r\nk\0x=1\r\nm=2\r\n"s,
       {Rd("S", "k", "D", "1"), Wr("S", "n", "3")},
       "[S]\r\nk=1\r\nm=2\r\nn=3\r\n"s},
      {"NulInValueRewritten", "[S]\r\nk=a\0b\r\n"s, {Wr("S", "n", "3")}, "[S]\r\nk=a\r\nn=3\r\n"s},
      {"NulInHeaderRewritten",
       "[S\0x]\r\nk=1\r\n"s,
       {Rd("S", "k", "D", "1"), Wr("S", "n", "3")},
       "[S]\r\nk=1\r\nn=3\r\n"s},
      {"NulStartsLine", "[S]\r\n\0k=1\r\nm=2\r\n"s, {Wr("S", "n", "3")}, "[S]\r\n=1\r\nm=2\r\nn=3\r\n"s},
  };
}

class IniTable : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniTable, CallsAndFileBytes) {
  const IniCase& c = GetParam();
  testutil::TempFolder folder;
  const std::string file = folder.Path(c.id + ".ini");
  if (c.before) testutil::WriteBytes(file, *c.before);
  for (std::size_t i = 0; i < c.steps.size(); ++i) {
    const Step& s = c.steps[i];
    SCOPED_TRACE("step " + std::to_string(i + 1));
    switch (s.kind) {
      case Step::kRead: EXPECT_EQ(platform::ReadIniValue(file, s.section, s.key, s.arg), s.expected); break;
      case Step::kWrite: EXPECT_EQ(platform::WriteIniValue(file, s.section, s.key, s.arg), s.ok); break;
      case Step::kReplace: testutil::WriteBytes(file, s.arg); break;
      case Step::kDelete: std::remove(file.c_str()); break;
    }
  }
  EXPECT_EQ(testutil::ReadBytes(file), c.after);
  EXPECT_LE(folder.EntryCount(), 1u) << "no other file is left in the folder";
}

INSTANTIATE_TEST_SUITE_P(Wine, IniTable, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<IniCase>& c) { return c.param.id; });

// Files that cannot be written: the write reports false, nothing changes, reading still works.
TEST(IniUnwritable, ReadOnlyFile) {
  struct Row {
    std::string key, value, writtenBytes;
  };
  const std::string before = "[a]\r\nx=1\r\n";
  const Row rows[] = {{"x", "2", "[a]\r\nx=2\r\n"}, {"x", "1", before}, {"y", "2", "[a]\r\nx=1\r\ny=2\r\n"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.key + "=" + r.value);
    testutil::TempFolder folder;
    const std::string file = folder.Path("ro.ini");
    testutil::WriteBytes(file, before);
    testutil::SetReadOnly(file, true);
    // A privileged process writes read-only files (root, and Wine run as root).
    const bool writable = testutil::CanOpenForWriting(file);
    EXPECT_EQ(platform::WriteIniValue(file, "a", r.key, r.value), writable);
    EXPECT_EQ(testutil::ReadBytes(file), writable ? r.writtenBytes : before);
    EXPECT_EQ(platform::ReadIniValue(file, "a", "x", "D"), writable && r.key == "x" ? r.value : "1");
    testutil::SetReadOnly(file, false);
  }
}

TEST(IniUnwritable, PathsThatCannotHoldAFile) {
  testutil::TempFolder folder;
  const std::string inMissingFolder = (std::filesystem::path(folder.Path("no_such_dir")) / "f.ini").string();
  const std::string aFolder = folder.Path("dir.ini");
  std::filesystem::create_directory(aFolder);
  testutil::WriteBytes(folder.Path("plain"), "x");
  const std::string underAFile = (std::filesystem::path(folder.Path("plain")) / "f.ini").string();
  for (const std::string& path : {inMissingFolder, aFolder, underAFile}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(platform::WriteIniValue(path, "a", "x", "1"));
    EXPECT_EQ(platform::ReadIniValue(path, "a", "x", "D"), "D");
  }
  EXPECT_FALSE(std::filesystem::exists(inMissingFolder));
  EXPECT_EQ(testutil::ReadBytes(folder.Path("plain")), "x"s);
  EXPECT_EQ(folder.EntryCount(), 2u);
}

// Several values at once: the bytes of the same writes one after the other, or, where the file
// cannot be written, no change at all and no file left beside it.
TEST(IniValues, AllOfThemOrNone) {
  const platform::IniValues values = {{"a", "1"}, {"b", "1"}, {"c", " x "}, {"A", "2"}};
  testutil::TempFolder folder;
  const std::string one = folder.Path("one.ini"), all = folder.Path("all.ini");
  for (const std::string& f : {one, all}) testutil::WriteBytes(f, "; mine\r\n[S]\r\nb=1\r\n[T]\r\na=0\r\n");
  for (const auto& [key, value] : values) ASSERT_TRUE(platform::WriteIniValue(one, "S", key, value));
  EXPECT_TRUE(platform::WriteIniValues(all, "S", values));
  EXPECT_EQ(testutil::ReadBytes(all), testutil::ReadBytes(one));
  testutil::SetReadOnly(all, true);
  const bool writable = testutil::CanOpenForWriting(all);  // root, and Wine run as root
  const bool written = platform::WriteIniValues(all, "S", {{"a", "3"}, {"d", "4"}});
  EXPECT_TRUE(written || writable) << "a read-only file took the values";
  EXPECT_EQ(platform::ReadIniValue(all, "S", "a", "D") + platform::ReadIniValue(all, "S", "d", "D"),
            written ? "34" : "2D");
  testutil::SetReadOnly(all, false);
  EXPECT_FALSE(platform::WriteIniValues(folder.Path("no_such_dir/f.ini"), "S", values));
  EXPECT_EQ(folder.EntryCount(), 2u);
}

#ifndef _WIN32
// What the Linux writer keeps of the file itself when it rewrites it.
TEST(IniLinuxFile, RewriteKeepsModeAndLinks) {
  testutil::TempFolder folder;
  const std::string real = folder.Path("real.ini");
  const std::string link = folder.Path("link.ini");
  testutil::WriteBytes(real, "[a]\r\nx=1\r\n");
  chmod(real.c_str(), 0600);
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  EXPECT_TRUE(platform::WriteIniValue(link, "a", "x", "2"));
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(testutil::ReadBytes(real), "[a]\r\nx=2\r\n"s);
  EXPECT_EQ(folder.EntryCount(), 2u);
}

TEST(IniLinuxFile, PipeIsNoSettingsFile) {
  testutil::TempFolder folder;
  const std::string pipe = folder.Path("pipe.ini");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  EXPECT_EQ(platform::ReadIniValue(pipe, "a", "x", "D"), "D");  // returns at once, no writer needed
  EXPECT_FALSE(platform::WriteIniValue(pipe, "a", "x", "1"));
}

// A Shift-JIS file whose rewrite would start with the bytes of a byte-order mark (once its blank
// first line or leading blanks are dropped) stays a Shift-JIS file: a line end goes first. Wine
// writes the bytes as they are, and the next read takes the file for UTF-16 and loses every key.
TEST(IniLinuxFile, ARewriteNeverStartsWithAByteOrderMark) {
  const struct {
    std::string before, after;
  } rows[] = {
      {"\n\xFF\xFE[a]\r\nx=1\r\n"s, "\r\n\xFF\xFE[a]\r\nx=1\r\n[S]\r\nk=v\r\n"s},
      {"  \xFE\xFFz=1\r\n"s, "\r\n\xFE\xFFz=1\r\n[S]\r\nk=v\r\n"s},
      {"\r\n\xEF\xBB\xBF=2\r\n"s,
       "\x81"
       "E\xBF=2\r\n[S]\r\nk=v\r\n"s},                  // EF BB is no character: "・"
      {"\xFFq=1\r\n"s, "\xFFq=1\r\n[S]\r\nk=v\r\n"s},  // no mark: written as it is
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.before);
    testutil::TempFolder folder;
    const std::string file = folder.Path("mark.ini");
    testutil::WriteBytes(file, r.before);
    EXPECT_TRUE(platform::WriteIniValue(file, "S", "k", "v"));
    EXPECT_EQ(testutil::ReadBytes(file), r.after);
    EXPECT_EQ(platform::ReadIniValue(file, "S", "k", "D"), "v");
    // A second write finds the same file again.
    EXPECT_TRUE(platform::WriteIniValue(file, "S", "k", "w"));
    EXPECT_EQ(platform::ReadIniValue(file, "S", "k", "D"), "w");
  }
}

// A header with no name after the first line keeps its keys out of the section above it when the
// file is rewritten (Wine writes it without its header line, and they join the section above).
TEST(IniLinuxFile, AnEmptyHeaderSurvivesARewrite) {
  testutil::TempFolder folder;
  const std::string file = folder.Path("empty.ini");
  testutil::WriteBytes(file, "x=0\r\n[Settings]\r\na=1\r\n[ ]\r\nmode=2\r\n[]\r\nfx=3\r\n");
  EXPECT_EQ(platform::ReadIniValue(file, "Settings", "mode", "D"), "D");
  EXPECT_TRUE(platform::WriteIniValue(file, "Settings", "speed", "9"));
  EXPECT_EQ(testutil::ReadBytes(file), "x=0\r\n[Settings]\r\na=1\r\nspeed=9\r\n[]\r\nmode=2\r\n[]\r\nfx=3\r\n"s);
  EXPECT_EQ(platform::ReadIniValue(file, "Settings", "mode", "D"), "D");
  EXPECT_EQ(platform::ReadIniValue(file, "", "x", "D"), "0");
  EXPECT_EQ(platform::ReadIniValue(file, "", "mode", "D"), "D");  // only the first "" section counts
}

TEST(IniLinuxFile, FolderThatTakesNoFiles) {
  EXPECT_FALSE(platform::WriteIniValue("/proc/corvane_kestor_test.ini", "a", "x", "1"));
  EXPECT_EQ(platform::ReadIniValue("/proc/corvane_kestor_test.ini", "a", "x", "D"), "D");
}
#endif

}  // namespace
