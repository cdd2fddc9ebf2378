// Byte streams for the loaders (textures, meshes, the resource archive).
//
// TStream is the abstract stream: Read and Write move up to `count` bytes and return how many they
// moved; ReadBuffer and WriteBuffer insist on the full count and throw EReadError / EWriteError
// (exception.h) otherwise. Positions and sizes are byte counts from the start of the stream, never
// negative. Streams are not copyable; whoever creates one frees it.
//
// TMemoryStream holds its bytes in memory and grows as it is written. Its size is limited to
// kMaxMemoryStreamSize; asking for more (or more than the machine has) throws EStreamError.
// TFileStream reads and writes one file; a failed open throws EFOpenError, a failed create
// EFCreateError; the file is closed by the destructor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "dg/exception.h"

namespace dg {

enum class SeekOrigin { Beginning, Current, End };

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Up to `count` bytes; the result is the number moved (0 at the end of the stream).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;

  // Moves the position and returns the new one. A position before the start throws EStreamError;
  // a position past the end is allowed (reads there return 0, writes extend the stream).
  virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;

  virtual std::int64_t Size();
  std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(std::int64_t position) { Seek(position, SeekOrigin::Beginning); }

  // Exactly `count` bytes or an exception (EReadError / EWriteError).
  void ReadBuffer(void* buffer, std::size_t count);
  void WriteBuffer(const void* buffer, std::size_t count);

  // Copies `count` bytes from the source's position to this stream's position; EReadError when the
  // source holds fewer. Returns `count`.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

class TMemoryStream : public TStream {
 public:
  static constexpr std::int64_t kMaxMemoryStreamSize = 0x7FFFFFFF;

  TMemoryStream() = default;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }

  // New bytes are zero; a position past the new end moves to the end.
  void SetSize(std::int64_t size);
  void Clear();  // size 0, position 0

  // The bytes, valid until the next size change; nullptr while the stream is empty.
  std::uint8_t* Memory() { return data_.empty() ? nullptr : data_.data(); }
  const std::uint8_t* Memory() const { return data_.empty() ? nullptr : data_.data(); }

  // The whole file replaces the content (position 0); EFOpenError / EReadError on failure.
  void LoadFromFile(const std::string& fileName);
  // The whole content goes to a new file; EFCreateError / EWriteError on failure.
  void SaveToFile(const std::string& fileName) const;

 private:
  std::vector<std::uint8_t> data_;
  std::size_t position_ = 0;
};

enum class FileMode {
  OpenRead,       // an existing file, read only
  OpenReadWrite,  // an existing file, read and write
  Create,         // a new or truncated file, read and write
};

class TFileStream : public TStream {
 public:
  TFileStream(const std::string& fileName, FileMode mode);
  ~TFileStream() override;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t Size() override;

  const std::string& FileName() const { return fileName_; }

 private:
  enum class LastOp { None, Read, Write };
  void Switch(LastOp next);

  std::string fileName_;
  std::FILE* file_ = nullptr;
  LastOp lastOp_ = LastOp::None;
};

}  // namespace dg
