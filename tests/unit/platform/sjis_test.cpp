#include "platform/sjis.h"

#include <gtest/gtest.h>

using sjis::ByteKind;

TEST(SjisClassify, LiteralsAreShiftJis) {
  // The build turns UTF-8 literals into code page 932.
  const std::string so = "ソ";
  ASSERT_EQ(so.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(so[0]), 0x83);
  EXPECT_EQ(static_cast<unsigned char>(so[1]), 0x5C);
}

TEST(SjisClassify, MixedLine) {
  const std::string s = "Aア1ｱ表";  // A, 83 41, 1, B1 (half-width), 95 5C
  ASSERT_EQ(s.size(), 7u);
  EXPECT_EQ(sjis::Classify(s, 0), ByteKind::Single);
  EXPECT_EQ(sjis::Classify(s, 1), ByteKind::Lead);
  EXPECT_EQ(sjis::Classify(s, 2), ByteKind::Trail);
  EXPECT_EQ(sjis::Classify(s, 3), ByteKind::Single);
  EXPECT_EQ(sjis::Classify(s, 4), ByteKind::Single);  // half-width katakana is single-byte
  EXPECT_EQ(sjis::Classify(s, 5), ByteKind::Lead);
  EXPECT_EQ(sjis::Classify(s, 6), ByteKind::Trail);   // 0x5C as a trail byte, not a backslash
  EXPECT_EQ(sjis::Classify(s, 7), ByteKind::Single);  // past the end
  EXPECT_EQ(sjis::CharCount(s), 5u);
}

TEST(SjisClassify, TrailValuedBytesDependOnWhatPrecedes) {
  // 0x83 is a lead byte value and also a trail byte value: position decides.
  const std::string s = "\x83\x83\x83\x41";
  EXPECT_EQ(sjis::Classify(s, 0), ByteKind::Lead);
  EXPECT_EQ(sjis::Classify(s, 1), ByteKind::Trail);
  EXPECT_EQ(sjis::Classify(s, 2), ByteKind::Lead);
  EXPECT_EQ(sjis::Classify(s, 3), ByteKind::Trail);
}

TEST(SjisClassify, LoneLeadByteAtEnd) {
  const std::string s = "ab\x82";
  EXPECT_EQ(sjis::Classify(s, 2), ByteKind::Lead);
  EXPECT_EQ(sjis::CharCount(s), 3u);
}

TEST(SjisClassify, BytesOutsideTheLeadRangesAreSingle) {
  for (int b : {0x80, 0xA0, 0xA1, 0xDF, 0xFD, 0xFE, 0xFF}) {
    const std::string s(1, static_cast<char>(b));
    EXPECT_EQ(sjis::Classify(s, 0), ByteKind::Single) << b;
  }
}

TEST(SjisConvert, RoundTripThroughUtf8) {
  const std::string text = "corvane KESTOR－３Ｄスクリーン・セーバ";
  const std::string utf8 = sjis::ToUtf8(text);
  EXPECT_EQ(utf8, std::string(u8"corvane KESTOR－３Ｄスクリーン・セーバ"));  // u8 literals stay UTF-8
  EXPECT_EQ(sjis::FromUtf8(utf8), text);
}

TEST(SjisConvert, CodesToUnicode) {
  EXPECT_EQ(sjis::CodeToUnicode(0x41), U'A');
  EXPECT_EQ(sjis::CodeToUnicode(0x8341), U'ア');
  EXPECT_EQ(sjis::CodeToUnicode(0x8ABF), U'漢');
  EXPECT_EQ(sjis::CodeToUnicode(0xB1), U'ｱ');
  EXPECT_EQ(sjis::CodeToUnicode(0x815F), U'＼');  // the code page's full-width backslash
  EXPECT_EQ(sjis::CodeToUnicode(0xEFBC), U'・');  // unmapped pair
}
