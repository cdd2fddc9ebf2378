// Test helpers: a byte-pair encoder producing the archive's packed block layout, and a builder of
// whole archive files, so that the reader is tested against data made independently of it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace testarc {

using Bytes = std::vector<std::uint8_t>;

inline void PutLe32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void SetLe32(Bytes& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Writes a pair table: runs of literal codes are skipped with count bytes above 127, runs of pair
// codes are listed with a count byte of (run length - 1).
inline void PutPairTable(Bytes& out, const std::uint8_t (&left)[256], const std::uint8_t (&right)[256]) {
  int c = 0;
  while (c < 256) {
    int literals = 0;
    while (c + literals < 256 && left[c + literals] == c + literals && literals < 128) ++literals;
    if (literals > 0) {
      out.push_back(static_cast<std::uint8_t>(127 + literals));
      c += literals;
      if (c == 256) break;
      // One entry always follows a skip.
      out.push_back(left[c]);
      if (left[c] != c) out.push_back(right[c]);
      ++c;
      continue;
    }
    int pairs = 0;
    while (c + pairs < 256 && left[c + pairs] != c + pairs && pairs < 128) ++pairs;
    out.push_back(static_cast<std::uint8_t>(pairs - 1));
    for (int i = 0; i < pairs; ++i, ++c) {
      out.push_back(left[c]);
      out.push_back(right[c]);
    }
  }
}

// Classic byte pair encoding: per block, the most frequent adjacent pair is replaced by a byte
// value the block does not use, until no pair occurs three times or no value is free.
inline Bytes PackBytePairs(const Bytes& data, std::size_t blockSize = 4096) {
  Bytes out;
  for (std::size_t start = 0; start < data.size(); start += blockSize) {
    Bytes block(data.begin() + static_cast<std::ptrdiff_t>(start),
                data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), start + blockSize)));
    std::uint8_t left[256], right[256];
    bool used[256] = {};
    for (int c = 0; c < 256; ++c) left[c] = static_cast<std::uint8_t>(c), right[c] = 0;
    for (std::uint8_t b : block) used[b] = true;
    for (;;) {
      std::vector<int> freq(65536, 0);
      for (std::size_t i = 0; i + 1 < block.size(); ++i) ++freq[block[i] << 8 | block[i + 1]];
      const auto best = std::max_element(freq.begin(), freq.end());
      if (*best < 3) break;
      int code = -1;
      for (int c = 0; c < 256 && code < 0; ++c) {
        if (!used[c]) code = c;
      }
      if (code < 0) break;
      const auto pair = static_cast<int>(best - freq.begin());
      const auto a = static_cast<std::uint8_t>(pair >> 8), b = static_cast<std::uint8_t>(pair & 0xFF);
      Bytes next;
      for (std::size_t i = 0; i < block.size(); ++i) {
        if (i + 1 < block.size() && block[i] == a && block[i + 1] == b) {
          next.push_back(static_cast<std::uint8_t>(code));
          ++i;
        } else {
          next.push_back(block[i]);
        }
      }
      block.swap(next);
      left[code] = a;
      right[code] = b;
      used[code] = true;
    }
    PutPairTable(out, left, right);
    PutLe32(out, static_cast<std::uint32_t>(block.size()));
    out.insert(out.end(), block.begin(), block.end());
  }
  return out;
}

struct Entry {
  std::string id;
  Bytes data;
};

constexpr std::size_t kRecord = 268;
inline std::size_t RecordAt(std::size_t i) { return 256 + i * kRecord; }

// A whole archive; packed archives hold every entry byte-pair encoded. The data follow the table
// in entry order.
inline Bytes BuildArchive(bool packed, const std::vector<Entry>& entries, std::size_t blockSize = 4096) {
  Bytes out;
  PutLe32(out, packed ? 1 : 0);
  out.insert(out.end(), {'L', 'B', 'A', '0'});
  PutLe32(out, static_cast<std::uint32_t>(entries.size()));
  out.resize(256 + entries.size() * kRecord, 0);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Bytes stored = packed ? PackBytePairs(entries[i].data, blockSize) : entries[i].data;
    const std::size_t r = RecordAt(i);
    SetLe32(out, r, static_cast<std::uint32_t>(out.size()));
    SetLe32(out, r + 4, static_cast<std::uint32_t>(stored.size()));
    SetLe32(out, r + 8, static_cast<std::uint32_t>(entries[i].data.size()));
    std::copy(entries[i].id.begin(), entries[i].id.end(), out.begin() + static_cast<std::ptrdiff_t>(r + 12));
    out.insert(out.end(), stored.begin(), stored.end());
  }
  return out;
}

}  // namespace testarc
