// The resources of the built corvane_kestor.scr, read as Windows reads them (under Wine): the
// name the Display control panel lists (string 1), the application icon in its three sizes drawn
// as a blue car on a transparent ground, and the Japanese version record of version 1.0.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kScr[] = KESTOR_SCR_PATH;

// The .scr's path in Windows form (the build passes the Unix path; Wine maps it under Z:).
std::string ScrPath() {
  std::string p = kScr;
  if (!p.empty() && p[0] == '/') {
    for (char& c : p)
      if (c == '/') c = '\\';
    p = "Z:" + p;
  }
  return p;
}

class ScrResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExA(ScrPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr) << "cannot open " << ScrPath() << " (" << GetLastError() << ")";
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
struct GroupIconHeader {
  WORD reserved, type, count;
  GroupIconEntry entries[1];
};
#pragma pack(pop)

TEST_F(ScrResources, StringOneIsTheNameTheScreenSaverListShows) {
  char name[128] = {};
  ASSERT_GT(LoadStringA(module_, 1, name, sizeof name), 0);
  EXPECT_STREQ(name, "corvane KESTOR");
}

TEST_F(ScrResources, TheIconGroupHoldsSixteenThirtyTwoAndFortyEightPixelImagesWithAlpha) {
  HRSRC group = FindResourceA(module_, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
  ASSERT_NE(group, nullptr);
  const auto* dir = static_cast<const GroupIconHeader*>(LockResource(LoadResource(module_, group)));
  ASSERT_NE(dir, nullptr);
  ASSERT_EQ(dir->type, 1);
  ASSERT_EQ(dir->count, 3);
  std::vector<int> sizes;
  for (int i = 0; i < dir->count; ++i) {
    const GroupIconEntry& e = dir->entries[i];
    sizes.push_back(e.width);
    EXPECT_EQ(e.width, e.height);
    EXPECT_EQ(e.bitCount, 32);
    // The image itself: a BITMAPINFOHEADER of double height (colour rows, then the mask).
    HRSRC image = FindResourceA(module_, MAKEINTRESOURCEA(e.id), MAKEINTRESOURCEA(3) /* RT_ICON */);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(SizeofResource(module_, image), e.bytes);
    const auto* bih = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module_, image)));
    EXPECT_EQ(bih->biWidth, e.width);
    EXPECT_EQ(bih->biHeight, 2 * e.height);
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
}

// Draws the 32-pixel icon over a white ground and counts what shows.
TEST_F(ScrResources, TheIconDrawsABlueCarOnAClearGround) {
  const HICON icon = static_cast<HICON>(LoadImageA(module_, MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, 0));
  ASSERT_NE(icon, nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = 32;
  bi.bmiHeader.biHeight = -32;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bmp, nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  std::memset(bits, 0xFF, 32 * 32 * 4);
  ASSERT_TRUE(DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL));
  GdiFlush();
  const auto* px = static_cast<const std::uint32_t*>(bits);
  auto at = [&](int x, int y) { return px[y * 32 + x] & 0xFFFFFF; };
  int blue = 0, dark = 0;
  for (int i = 0; i < 32 * 32; ++i) {
    const int r = (px[i] >> 16) & 0xFF, g = (px[i] >> 8) & 0xFF, b = px[i] & 0xFF;
    blue += b > 150 && r < 80 && g < 100;
    dark += r < 60 && g < 60 && b < 60;  // the tyres
  }
  EXPECT_EQ(at(0, 0), 0xFFFFFFu);  // the corners are clear: the ground shows
  EXPECT_EQ(at(31, 31), 0xFFFFFFu);
  EXPECT_GT(blue, 32 * 32 / 8) << "the body and the ring are blue";
  EXPECT_GT(dark, 8) << "two dark tyres";
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  DestroyIcon(icon);
}

TEST(ScrVersion, TheVersionRecordIsJapaneseAndNamesProductAndVersionOne) {
  const std::string path = ScrPath();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
  ASSERT_EQ(len, sizeof *fixed);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
  ASSERT_EQ(len, 4u);
  EXPECT_EQ(translation[0], 0x0411);  // Japanese
  EXPECT_EQ(translation[1], 932);     // Shift-JIS
  auto value = [&](const char* name) {
    char* text = nullptr;
    UINT n = 0;
    const std::string key = std::string("\\StringFileInfo\\041103a4\\") + name;
    if (!VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&text), &n) || !text)
      return std::string("(none)");
    return std::string(text);
  };
  EXPECT_EQ(value("ProductName"), "corvane KESTOR");
  EXPECT_EQ(value("ProductVersion"), "1.0");
  EXPECT_EQ(value("FileVersion"), "1.0");
  EXPECT_EQ(value("FileDescription"), "corvane KESTOR 3Dスクリーンセーバ");  // Shift-JIS, as the A function gives it
  EXPECT_EQ(value("OriginalFilename"), "corvane_kestor.scr");
}

}  // namespace
