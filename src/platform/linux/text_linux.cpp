// Shift-JIS <-> Unicode on Linux through glibc's iconv (its CP932 table is Microsoft's code page).
#include <iconv.h>

#include <cerrno>

#include "platform/sjis.h"

namespace sjis {
namespace {

constexpr char32_t kUnmapped = 0x30FB;

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // Converts in one go; false when the input does not convert completely.
  bool Run(const char* in, std::size_t inLen, char* out, std::size_t outCap, std::size_t* outLen) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in);
    char* dst = out;
    std::size_t srcLeft = inLen, dstLeft = outCap;
    const std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
    *outLen = outCap - dstLeft;
    return r != static_cast<std::size_t>(-1) && srcLeft == 0;
  }

 private:
  iconv_t cd_;
};

Converter& ToUcs4() {
  static Converter c("UTF-32LE", "CP932");
  return c;
}
Converter& FromUcs4() {
  static Converter c("CP932", "UTF-32LE");
  return c;
}

}  // namespace

char32_t CodeToUnicode(unsigned code) {
  char in[2];
  const std::size_t inLen = CodeBytes(code, in);
  unsigned char out[8];
  std::size_t outLen = 0;
  if (!ToUcs4().ok() || !ToUcs4().Run(in, inLen, reinterpret_cast<char*>(out), sizeof out, &outLen) || outLen != 4) {
    return kUnmapped;
  }
  return static_cast<char32_t>(out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<unsigned>(out[3]) << 24));
}

std::string FromUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char b = static_cast<unsigned char>(utf8[i]);
    char32_t c;
    std::size_t n;
    if (b < 0x80) {
      c = b;
      n = 1;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      n = 2;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      n = 3;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07;
      n = 4;
    } else {
      out.push_back('?');
      ++i;
      continue;
    }
    if (i + n > utf8.size()) {
      out.push_back('?');
      break;
    }
    for (std::size_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += n;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    unsigned char in[4] = {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8),
                           static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 24)};
    char buf[4];
    std::size_t len = 0;
    if (FromUcs4().ok() && FromUcs4().Run(reinterpret_cast<char*>(in), 4, buf, sizeof buf, &len) && len > 0) {
      out.append(buf, len);
    } else {
      out.push_back('?');
    }
  }
  return out;
}

}  // namespace sjis
