#include "dg/pixels.h"

#include <gtest/gtest.h>

#include <random>

namespace {

enum : std::uint32_t {
  R8G8B8 = 20,
  A8R8G8B8 = 21,
  X8R8G8B8 = 22,
  R5G6B5 = 23,
  X1R5G5B5 = 24,
  A1R5G5B5 = 25,
  A4R4G4B4 = 26,
  R3G3B2 = 27,
  A8 = 28,
  A8R3G3B2 = 29,
  X4R4G4B4 = 30,
  A8P8 = 40,
  P8 = 41,
  L8 = 50,
  A8L8 = 51,
  A4L4 = 52,
  V8U8 = 60,
  L6V5U5 = 61,
  X8L8V8U8 = 62,
  Q8W8V8U8 = 63,
  V16U16 = 64,
  D16_LOCKABLE = 70,
  D32 = 71,
  D15S1 = 73,
  D24S8 = 75,
  D24X8 = 77,
  D24X4S4 = 79,
  D16 = 80,
  DXT1 = 0x31545844,
};

// The bits of a pixel that each colour format stores.
const struct {
  std::uint32_t format;
  std::uint32_t bits;
} kColourFormats[] = {
    {R8G8B8, 0xFFFFFF},   {A8R8G8B8, 0xFFFFFFFF}, {X8R8G8B8, 0xFFFFFF}, {R5G6B5, 0xFFFF},
    {X1R5G5B5, 0x7FFF},   {A1R5G5B5, 0xFFFF},     {A4R4G4B4, 0xFFFF},   {R3G3B2, 0xFF},
    {A8, 0xFF},           {A8R3G3B2, 0xFFFF},     {X4R4G4B4, 0xFFF},    {L8, 0xFF},
    {A8L8, 0xFFFF},       {A4L4, 0xFF},           {V8U8, 0xFFFF},       {L6V5U5, 0xFFFF},
    {X8L8V8U8, 0xFFFFFF}, {Q8W8V8U8, 0xFFFFFFFF}, {V16U16, 0xFF00FF00},
};

}  // namespace

TEST(Pixels, FormatBitsForEveryListedFormat) {
  const struct {
    std::uint32_t bits;
    std::initializer_list<std::uint32_t> formats;
  } groups[] = {
      {24, {R8G8B8}},
      {32, {A8R8G8B8, X8R8G8B8, X8L8V8U8, Q8W8V8U8, V16U16, D32, D24S8, D24X8, D24X4S4}},
      {16,
       {R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4, A8R3G3B2, X4R4G4B4, A8P8, A8L8, V8U8, L6V5U5, D16_LOCKABLE, D15S1, D16}},
      {8, {R3G3B2, A8, P8, L8, A4L4}},
      {0, {0, 19, 31, 72, 100, 101, DXT1}},
  };
  for (const auto& g : groups) {
    for (std::uint32_t f : g.formats) EXPECT_EQ(dg::FormatBits(f), g.bits) << f;
  }
}

TEST(Pixels, PackingPlacesTheTopBitsOfEachChannel) {
  // A 0x9C, R 0xF0, G 0x88, B 0x44.
  const struct {
    std::uint32_t format;
    std::uint32_t packed;
  } cases[] = {
      {R8G8B8, 0xF08844},
      {A8R8G8B8, 0x9CF08844},
      {X8R8G8B8, 0xF08844},
      {R5G6B5, 0xF448},
      {X1R5G5B5, 0x7A28},
      {A1R5G5B5, 0xFA28},
      {A4R4G4B4, 0x9F84},
      {R3G3B2, 0xF1},
      {A8, 0x9C},
      {A8R3G3B2, 0x9CF1},
      {X4R4G4B4, 0xF84},
      {L8, 0xF0},
      {A8L8, 0x9CF0},
      {A4L4, 0x9F},
      {V8U8, 0x8844},
      {L6V5U5, 0xF228},
      {X8L8V8U8, 0xF08844},
      {Q8W8V8U8, 0x9CF08844},
      {V16U16, 0x88004400},
      {P8, 0},
      {D16, 0},
      {DXT1, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dg::PackColor(0x9C, 0xF0, 0x88, 0x44, c.format), c.packed) << c.format;
    EXPECT_EQ(dg::PackARGB(0x9CF08844, c.format), c.packed) << c.format;
  }
}

TEST(Pixels, UnpackingWidensFieldsToFullRange) {
  const struct {
    std::uint32_t format;
    std::uint32_t pixel;
    std::uint32_t argb;
  } cases[] = {
      {R8G8B8, 0x123456, 0xFF123456},
      {X8R8G8B8, 0xAB123456, 0xFF123456},
      {A8R8G8B8, 0xAB123456, 0xAB123456},
      {R5G6B5, 0xF800, 0xFFFF0000},
      {R5G6B5, 0x07E0, 0xFF00FF00},
      {R5G6B5, 0x0801, 0xFF080008},
      {X1R5G5B5, 0xFFFF, 0xFFFFFFFF},
      {A1R5G5B5, 0x7FFF, 0x00FFFFFF},
      {A1R5G5B5, 0x8000, 0xFF000000},
      {A4R4G4B4, 0x1F8C, 0x11FF88CC},
      {R3G3B2, 0xE3, 0xFFFF00FF},
      {R3G3B2, 0x25, 0xFF242455},
      {A8, 0x80, 0x80000000},
      {A8R3G3B2, 0x7F1C, 0x7F00FF00},
      {X4R4G4B4, 0xF0F0, 0xFF00FF00},
      {L8, 0x80, 0x00800000},
      {A8L8, 0x40C0, 0x40C00000},
      {A4L4, 0x5A, 0x55AA0000},
      {V8U8, 0x1234, 0x00001234},
      {L6V5U5, 0xFFFF, 0x00FCF8F8},
      {L6V5U5, 0x0421, 0x00040808},
      {X8L8V8U8, 0xAB123456, 0xAB123456},
      {Q8W8V8U8, 0xAB123456, 0xAB123456},
      {V16U16, 0xAB12CD34, 0x0000ABCD},
      {P8, 0x12, 0},
      {DXT1, 0x12345678, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(dg::UnpackARGB(c.pixel, c.format), c.argb) << c.format << " " << c.pixel;
}

TEST(Pixels, EveryStoredPixelSurvivesUnpackAndPack) {
  std::mt19937 rng(11);
  for (const auto& f : kColourFormats) {
    const bool small = f.bits <= 0xFFFF;
    for (std::uint32_t i = 0; i < (small ? 0x10000u : 200000u); ++i) {
      const std::uint32_t pixel = (small ? i : static_cast<std::uint32_t>(rng())) & f.bits;
      ASSERT_EQ(dg::PackARGB(dg::UnpackARGB(pixel, f.format), f.format), pixel) << f.format << " " << pixel;
    }
  }
}

TEST(Pixels, SixteenBitBmpWordsAreX1R5G5B5) {
  EXPECT_EQ(dg::BMP16ToARGB(0x7FFF), 0xFFFFFFFFu);
  EXPECT_EQ(dg::BMP16ToARGB(0xFFFF), 0xFFFFFFFFu);  // the top bit is not alpha
  EXPECT_EQ(dg::BMP16ToARGB(0x8000), 0xFF000000u);
  EXPECT_EQ(dg::BMP16ToARGB(0x7C00), 0xFFFF0000u);
  EXPECT_EQ(dg::BMP16ToARGB(0x03E0), 0xFF00FF00u);
  EXPECT_EQ(dg::BMP16ToARGB(0x0421), 0xFF080808u);
  // Into a 16-bit texture of the same layout every colour comes through unchanged.
  for (std::uint32_t w = 0; w < 0x8000; ++w) {
    ASSERT_EQ(dg::PackARGB(dg::BMP16ToARGB(static_cast<std::uint16_t>(w)), X1R5G5B5), w);
  }
}
