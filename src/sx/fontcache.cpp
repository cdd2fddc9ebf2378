#include "sx/fontcache.h"

#include <algorithm>
#include <cstddef>

#include "dg/pixels.h"

namespace sx {
namespace {

constexpr std::uint32_t kMaxGlyphSide = 65535;  // larger boxes are taken as a failed glyph

bool SameKey(const TSXFontCacheData& e, std::uint32_t code, const platform::FontDesc& font) {
  return e.code == code && e.fontName == font.name && e.fontHeight == font.Height() && e.fontStyle == font.style;
}

// Stores the low `bpp` bytes of `value`, little-endian.
void Put(std::uint8_t* dst, std::uint32_t value, std::uint32_t bpp) {
  for (std::uint32_t i = 0; i < bpp; ++i) dst[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

TSXFontCache::TSXFontCache(platform::GlyphContext* source, std::uint32_t pixelFormat, int capacity)
    : source_(source), pixelFormat_(pixelFormat) {
  SetCapacity(capacity);
  antiAliased_ = true;
}

TSXFontCache::~TSXFontCache() = default;

void TSXFontCache::SetCapacity(int n) {
  capacity_ = std::max(0, n);
  for (int b = 0; b < kBucketCount; ++b) {
    buckets_[b].clear();
    buckets_[b].resize(static_cast<std::size_t>(capacity_));
    counts_[b] = 0;
  }
}

int TSXFontCache::Count(int bucket) const { return bucket >= 0 && bucket < kBucketCount ? counts_[bucket] : 0; }

const TSXFontCacheData& TSXFontCache::Entry(int bucket, int index) const {
  static const TSXFontCacheData kNone;
  if (bucket < 0 || bucket >= kBucketCount || index < 0 || index >= counts_[bucket]) return kNone;
  return buckets_[bucket][static_cast<std::size_t>(index)];
}

void TSXFontCache::GetGlyph(std::uint32_t code, const platform::FontDesc& font, TSXFontCacheData& glyph) {
  const int b = static_cast<int>(code & 0xFF);
  std::vector<TSXFontCacheData>& bucket = buckets_[b];
  for (int i = 0; i < counts_[b]; ++i) {
    if (SameKey(bucket[i], code, font)) {
      glyph = bucket[i];
      // Most recently used first: entries 0 .. i-1 move back by one.
      std::rotate(bucket.begin(), bucket.begin() + i, bucket.begin() + i + 1);
      return;
    }
  }

  TSXFontCacheData fresh;
  TSXFontCacheData* entry = &fresh;
  if (capacity_ > 0) {
    // A full bucket reuses its last (least recently used) entry, otherwise the first free one.
    const int slot = counts_[b] == capacity_ ? capacity_ - 1 : counts_[b];
    if (counts_[b] < capacity_) ++counts_[b];
    std::rotate(bucket.begin(), bucket.begin() + slot, bucket.begin() + slot + 1);
    entry = &bucket[0];
  }
  *entry = TSXFontCacheData();
  entry->code = code;
  entry->fontName = font.name;
  entry->fontHeight = font.Height();
  entry->fontStyle = font.style;
  Rasterise(*entry);
  glyph = *entry;
}

void TSXFontCache::Rasterise(TSXFontCacheData& e) {
  if (!source_) return;
  const platform::GlyphFormat format = antiAliased_ ? platform::GlyphFormat::Gray8 : platform::GlyphFormat::Bitmap;
  platform::GlyphMetrics gm;
  const std::uint32_t size = source_->GlyphOutline(e.code, format, &gm, 0, nullptr);
  if (size == platform::kGlyphError || gm.blackBoxX > kMaxGlyphSide || gm.blackBoxY > kMaxGlyphSide) return;
  const int ascent = source_->Metrics().ascent;

  const std::uint32_t bpp = dg::FormatBits(pixelFormat_) / 8;
  const std::uint32_t width = gm.blackBoxX;
  const std::uint32_t height = gm.blackBoxY;
  const std::uint32_t pitch = (bpp * width + 3) & ~3u;
  TSXFontCacheData g = e;
  g.width = static_cast<std::int32_t>(width);
  g.height = static_cast<std::int32_t>(height);
  g.pitch = static_cast<std::int32_t>(pitch);
  g.left = gm.originX;
  g.top = ascent - gm.originY;
  g.advanceX = gm.cellIncX;
  g.advanceY = gm.cellIncY;
  if (size == 0) {  // metrics but nothing to draw (a space)
    e = g;
    return;
  }

  const std::uint32_t srcPitch = antiAliased_ ? (width + 3) & ~3u : ((width + 7) / 8 + 3) & ~3u;
  if (static_cast<std::uint64_t>(srcPitch) * height > size) return;  // bitmap smaller than its box
  std::vector<std::uint8_t> src(size);
  platform::GlyphMetrics again;
  if (source_->GlyphOutline(e.code, format, &again, size, src.data()) != size) return;

  auto pixels = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(pitch) * height);
  std::uint8_t* dst = pixels->data();
  if (antiAliased_) {
    for (std::uint32_t r = 0; r < height; ++r) {
      for (std::uint32_t x = 0; x < width; ++x) {
        const unsigned level = src[r * srcPitch + x];
        const auto a = static_cast<std::uint8_t>(level >= 64 ? 255 : level * 4);
        Put(dst + r * pitch + x * bpp, dg::PackColor(a, 255, 255, 255, pixelFormat_), bpp);
      }
    }
  } else {
    const std::uint32_t on = dg::PackColor(255, 255, 255, 255, pixelFormat_);
    const std::uint32_t off = dg::PackColor(0, 255, 255, 255, pixelFormat_);
    for (std::uint32_t r = 0; r < height; ++r) {
      for (std::uint32_t x = 0; x < width; ++x) {
        const bool set = (src[r * srcPitch + x / 8] >> (7 - (x & 7))) & 1;
        Put(dst + r * pitch + x * bpp, set ? on : off, bpp);
      }
    }
  }
  g.pixels = std::move(pixels);
  e = g;
}

}  // namespace sx
