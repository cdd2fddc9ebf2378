#include "dg/stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "dg/format.h"
#include "platform/paths.h"

namespace dg {

namespace {

constexpr const char* kReadErrorText = "ストリームの読み込みエラーです";
constexpr const char* kWriteErrorText = "ストリームの書き込みエラーです";
constexpr const char* kBadPositionText = "ストリームの位置が不正です";

}  // namespace

// ---- TStream ----

std::int64_t TStream::Size() {
  const std::int64_t here = Position();
  const std::int64_t end = Seek(0, SeekOrigin::End);
  SetPosition(here);
  return end;
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(kReadErrorText);
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(kWriteErrorText);
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count < 0) throw EStreamError(kBadPositionText);
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::int64_t>(count, 65536)));
  std::int64_t left = count;
  while (left > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(left, 65536));
    source.ReadBuffer(chunk.data(), n);
    WriteBuffer(chunk.data(), n);
    left -= static_cast<std::int64_t>(n);
  }
  return count;
}

// ---- TMemoryStream ----

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (position_ >= data_.size() || count == 0) return 0;
  const std::size_t n = std::min(count, data_.size() - position_);
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  const std::int64_t end = static_cast<std::int64_t>(position_) + static_cast<std::int64_t>(count);
  if (static_cast<std::uint64_t>(end) > static_cast<std::uint64_t>(data_.size())) {
    if (end > kMaxMemoryStreamSize) return 0;  // WriteBuffer turns this into EWriteError
    try {
      data_.resize(static_cast<std::size_t>(end));
    } catch (const std::bad_alloc&) {
      return 0;
    } catch (const std::length_error&) {
      return 0;
    }
  }
  std::memcpy(data_.data() + position_, buffer, count);
  position_ += count;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == SeekOrigin::Current) base = static_cast<std::int64_t>(position_);
  if (origin == SeekOrigin::End) base = static_cast<std::int64_t>(data_.size());
  // Checked before adding, so that absurd offsets cannot overflow.
  if (offset < -base || offset > kMaxMemoryStreamSize - base) throw EStreamError(kBadPositionText);
  position_ = static_cast<std::size_t>(base + offset);
  return static_cast<std::int64_t>(position_);
}

void TMemoryStream::SetSize(std::int64_t size) {
  if (size < 0 || size > kMaxMemoryStreamSize) {
    throw EStreamError(Format("メモリストリームを %lld バイトにはできません", static_cast<long long>(size)));
  }
  try {
    data_.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    throw EStreamError(Format("メモリストリームを %lld バイトにはできません", static_cast<long long>(size)));
  }
  position_ = std::min(position_, data_.size());
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, FileMode::OpenRead);
  const std::int64_t size = file.Size();
  TMemoryStream loaded;
  loaded.SetSize(size);
  file.ReadBuffer(loaded.data_.data(), static_cast<std::size_t>(size));
  data_.swap(loaded.data_);
  position_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
  TFileStream file(fileName, FileMode::Create);
  file.WriteBuffer(data_.data(), data_.size());
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::string& fileName, FileMode mode) : fileName_(fileName) {
  const char* how = mode == FileMode::OpenRead ? "rb" : mode == FileMode::OpenReadWrite ? "r+b" : "w+b";
  file_ = std::fopen(fileName.c_str(), how);
  if (!file_) {
    if (mode == FileMode::Create) throw EFCreateError(Format("ファイル %s を作成できません", fileName.c_str()));
    throw EFOpenError(Format("ファイル %s を開けません", fileName.c_str()));
  }
}

TFileStream::~TFileStream() {
  if (file_) std::fclose(file_);
}

// The C library needs a seek between a write and a following read (and the other way round).
void TFileStream::Switch(LastOp next) {
  if (lastOp_ != LastOp::None && lastOp_ != next) platform::SeekFile(file_, 0, SEEK_CUR);
  lastOp_ = next;
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  if (count == 0) return 0;
  Switch(LastOp::Read);
  return std::fread(buffer, 1, count, file_);
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  Switch(LastOp::Write);
  return std::fwrite(buffer, 1, count, file_);
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  const int whence = origin == SeekOrigin::Beginning ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
  if (origin == SeekOrigin::Beginning && offset < 0) throw EStreamError(kBadPositionText);
  if (platform::SeekFile(file_, offset, whence) != 0) throw EStreamError(kBadPositionText);
  lastOp_ = LastOp::None;
  const std::int64_t at = platform::TellFile(file_);
  if (at < 0) throw EStreamError(kBadPositionText);
  return at;
}

std::int64_t TFileStream::Size() {
  if (lastOp_ == LastOp::Write) std::fflush(file_);
  return TStream::Size();
}

}  // namespace dg
