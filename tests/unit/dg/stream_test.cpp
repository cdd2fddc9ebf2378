#include "dg/stream.h"

#include <gtest/gtest.h>

#include "unit/dg/scratch.h"

namespace {

std::string Bytes(dg::TMemoryStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.Size()));
}

}  // namespace

TEST(MemoryStream, ReadsWhatWasWrittenAndStopsAtTheEnd) {
  dg::TMemoryStream s;
  EXPECT_EQ(s.Memory(), nullptr);
  s.WriteBuffer("abcdef", 6);
  EXPECT_EQ(s.Size(), 6);
  EXPECT_EQ(s.Position(), 6);
  s.SetPosition(2);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 4u);  // a short read reports what it got
  EXPECT_EQ(std::string(buf, 4), "cdef");
  EXPECT_EQ(s.Read(buf, 1), 0u);
  s.SetPosition(4);
  EXPECT_THROW(s.ReadBuffer(buf, 3), dg::EReadError);
  s.SetPosition(4);
  EXPECT_NO_THROW(s.ReadBuffer(buf, 2));
}

TEST(MemoryStream, WritingPastTheEndFillsTheGapWithZeros) {
  dg::TMemoryStream s;
  s.WriteBuffer("ab", 2);
  EXPECT_EQ(s.Seek(3, dg::SeekOrigin::Current), 5);
  s.WriteBuffer("z", 1);
  EXPECT_EQ(Bytes(s), std::string("ab\0\0\0z", 6));
  EXPECT_EQ(s.Seek(-1, dg::SeekOrigin::End), 5);
  s.WriteBuffer("Y", 1);  // overwrites, does not grow
  EXPECT_EQ(Bytes(s), std::string("ab\0\0\0Y", 6));
}

TEST(MemoryStream, SetSizeKeepsContentAndClampsThePosition) {
  dg::TMemoryStream s;
  s.WriteBuffer("hello", 5);
  s.SetSize(8);
  EXPECT_EQ(Bytes(s), std::string("hello\0\0\0", 8));
  EXPECT_EQ(s.Position(), 5);
  s.SetSize(3);
  EXPECT_EQ(Bytes(s), "hel");
  EXPECT_EQ(s.Position(), 3);
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
}

TEST(MemoryStream, BadPositionsAndSizesThrowInsteadOfAllocating) {
  dg::TMemoryStream s;
  s.WriteBuffer("abc", 3);
  EXPECT_THROW(s.Seek(-4, dg::SeekOrigin::End), dg::EStreamError);
  EXPECT_THROW(s.SetPosition(-1), dg::EStreamError);
  EXPECT_THROW(s.SetSize(-1), dg::EStreamError);
  EXPECT_THROW(s.SetSize(dg::TMemoryStream::kMaxMemoryStreamSize + 1), dg::EStreamError);
  EXPECT_THROW(s.Seek(INT64_MAX, dg::SeekOrigin::Current), dg::EStreamError);
  EXPECT_EQ(Bytes(s), "abc");  // unchanged by the failures
  EXPECT_EQ(s.Position(), 3);
}

TEST(MemoryStream, CopyFromMovesExactlyTheCount) {
  dg::TMemoryStream src, dst;
  src.WriteBuffer("0123456789", 10);
  src.SetPosition(3);
  EXPECT_EQ(dst.CopyFrom(src, 4), 4);
  EXPECT_EQ(Bytes(dst), "3456");
  EXPECT_EQ(src.Position(), 7);
  EXPECT_THROW(dst.CopyFrom(src, 4), dg::EReadError);  // only 3 left
}

TEST(StreamErrors, ShareTheProjectBaseClass) {
  dg::TMemoryStream s;
  char c;
  try {
    s.ReadBuffer(&c, 1);
    FAIL() << "no exception";
  } catch (const dg::Exception& e) {
    EXPECT_STREQ(e.what(), "ストリームの読み込みエラーです");
  }
}

TEST(FileStream, BinaryBytesSurviveAFileRoundTrip) {
  const std::string path = scratch::Path("binary.bin");
  const std::string bytes("A\r\nB\n\x1A\0\xFF", 8);  // text-mode traps: CR LF, ^Z, NUL
  {
    dg::TFileStream f(path, dg::FileMode::Create);
    f.WriteBuffer(bytes.data(), bytes.size());
    EXPECT_EQ(f.Size(), 8);
    f.SetPosition(1);
    char two[2];
    f.ReadBuffer(two, 2);  // read right after a write
    EXPECT_EQ(std::string(two, 2), "\r\n");
    f.WriteBuffer("b", 1);  // write right after a read: lands at position 3
    EXPECT_EQ(f.Position(), 4);
  }
  EXPECT_EQ(scratch::ReadAll(path), std::string("A\r\nb\n\x1A\0\xFF", 8));

  dg::TMemoryStream m;
  m.LoadFromFile(path);
  EXPECT_EQ(m.Position(), 0);
  EXPECT_EQ(Bytes(m), std::string("A\r\nb\n\x1A\0\xFF", 8));
  m.SetSize(3);
  m.SaveToFile(path);
  EXPECT_EQ(scratch::ReadAll(path), "A\r\n");
}

TEST(FileStream, OpenFailuresThrowWithTheFileName) {
  const std::string missing = scratch::Path("no_such_file.bin");
  try {
    dg::TFileStream f(missing, dg::FileMode::OpenRead);
    FAIL() << "opened a missing file";
  } catch (const dg::EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "ファイル " + missing + " を開けません");
  }
  EXPECT_THROW(dg::TFileStream(missing, dg::FileMode::OpenReadWrite), dg::EFOpenError);
  EXPECT_THROW(dg::TFileStream(scratch::Path("no_such_folder/x.bin"), dg::FileMode::Create), dg::EFCreateError);
  dg::TMemoryStream m;
  m.WriteBuffer("keep", 4);
  EXPECT_THROW(m.LoadFromFile(missing), dg::EFOpenError);
  EXPECT_EQ(Bytes(m), "keep");  // a failed load leaves the content alone
}

TEST(FileStream, WritingToAReadOnlyStreamFails) {
  const std::string path = scratch::Path("readonly.bin");
  scratch::WriteAll(path, std::string("data"));
  dg::TFileStream f(path, dg::FileMode::OpenRead);
  EXPECT_EQ(f.Size(), 4);
  EXPECT_THROW(f.WriteBuffer("x", 1), dg::EWriteError);
  char buf[4];
  f.SetPosition(0);
  f.ReadBuffer(buf, 4);
  EXPECT_EQ(std::string(buf, 4), "data");
  EXPECT_THROW(f.ReadBuffer(buf, 1), dg::EReadError);
}
