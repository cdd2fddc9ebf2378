#include "dg/texture.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "dg/bmp.h"
#include "dg/carad.h"
#include "dg/diagnostics.h"
#include "dg/format.h"
#include "dg/lbarc.h"
#include "dg/pixels.h"

namespace dg {

namespace {

std::uint32_t LoadLe(const std::uint8_t* p, std::uint32_t bytes) {
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return value;
}

void StoreLe(std::uint8_t* p, std::uint32_t value, std::uint32_t bytes) {
  for (std::uint32_t i = 0; i < bytes; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutLe16(std::uint8_t*& p, std::uint32_t value) {
  StoreLe(p, value, 2);
  p += 2;
}

void PutLe32(std::uint8_t*& p, std::uint32_t value) {
  StoreLe(p, value, 4);
  p += 4;
}

// The smallest power of two not below `side` (1 for 0 and 1); a side above 2^31 stays as it is
// (no device takes it anyway).
UINT NextPowerOfTwo(UINT side) {
  if (side > 0x80000000u) return side;
  UINT p = 1;
  while (p < side) p <<= 1;
  return p;
}

const char kNoTexture[] = "テクスチャが確保されていません。LockRectの前にSetSizeするか、BMPを読み込んでください";

}  // namespace

TDGTexture::TDGTexture(TDGCarad& carad, std::vector<D3DFORMAT> formats, DWORD usage, D3DPOOL pool, UINT levels,
                       const std::string& name)
    : name_(name),
      carad_(carad),
      formats_(std::move(formats)),
      usage_(usage),
      pool_(pool),
      levels_(levels),
      keepContent_(pool != D3DPOOL_DEFAULT) {
  id_ = carad_.RegisterResource(
      this, name_, [this] { DeviceRelease(); }, [this] { DeviceRebuild(); }, [this] { DeviceLost(); },
      [this] { DeviceReset(); });
}

TDGTexture::~TDGTexture() {
  DetailLog("テクスチャオブジェクトを解放します");
  if (texture_) {
    CheckResult(static_cast<std::int32_t>(texture_->Release()), "テクスチャの解放に失敗しました");
    texture_ = nullptr;
  }
  snapshot_.reset();
  carad_.UnregisterResource(id_);
}

D3DFORMAT TDGTexture::ChooseFormat() const {
  D3DFORMAT result = carad_.BackBufferFormat();
  if (IDirect3DSurface9* backBuffer = carad_.BackBuffers(0)) {
    D3DSURFACE_DESC desc;
    std::memset(&desc, 0, sizeof desc);
    if (backBuffer->GetDesc(&desc) == D3D_OK) result = desc.Format;
  }
  IDirect3D9* d3d = carad_.D3D();
  if (!d3d) return result;
  for (const D3DFORMAT candidate : formats_) {
    if (d3d->CheckDeviceFormat(carad_.Adapter(), carad_.DeviceType(), result, usage_, D3DRTYPE_TEXTURE, candidate) ==
        D3D_OK) {
      return candidate;
    }
  }
  return result;
}

void TDGTexture::CreateSurface(UINT width, UINT height) {
  if (texture_) {
    DetailLog("テクスチャの再生成に伴い、以前のテクスチャを解放します");
    CheckResult(static_cast<std::int32_t>(texture_->Release()), "テクスチャの解放に失敗しました");
    texture_ = nullptr;
  }
  format_ = ChooseFormat();
  DetailLog(dg::Format("使用されるフォーマットは %s です", FormatName(static_cast<std::uint32_t>(format_)).c_str()));
  IDirect3DDevice9* device = carad_.Device();
  if (!device) {
    CheckResult(1, "テクスチャの生成に失敗しました");  // no device to create it on
  } else {
    IDirect3DTexture9* texture = nullptr;
    const HRESULT result = device->CreateTexture(width, height, levels_, usage_, format_, pool_, &texture, nullptr);
    CheckResult(result, "テクスチャの生成に失敗しました");
    if (result == D3D_OK) {
      texture_ = texture;
    } else if (texture) {
      texture->Release();
    }
    DetailLog(dg::Format("残りテクスチャ容量は、約%.2fメガです",
                         static_cast<double>(device->GetAvailableTextureMem()) / 1048576.0));
  }
  bytesPerPixel_ = FormatBits(static_cast<std::uint32_t>(format_)) / 8u;
}

void TDGTexture::SetSize(UINT width, UINT height) {
  width_ = width;
  height_ = height;
  D3DCAPS9 caps;
  std::memset(&caps, 0, sizeof caps);
  IDirect3D9* d3d = carad_.D3D();
  if (d3d && d3d->GetDeviceCaps(carad_.Adapter(), carad_.DeviceType(), &caps) == D3D_OK) {
    if (width > caps.MaxTextureWidth || height > caps.MaxTextureHeight) {
      DetailLog(dg::Format("要求されたテクスチャのサイズは大きすぎます。%d x %d 以内にして下さい",
                           static_cast<int>(caps.MaxTextureWidth), static_cast<int>(caps.MaxTextureHeight)));
    }
    if (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) width = height = std::max(width, height);
    if (caps.TextureCaps & D3DPTEXTURECAPS_POW2) {
      width = NextPowerOfTwo(width);
      height = NextPowerOfTwo(height);
    }
  }
  surfaceWidth_ = width;
  surfaceHeight_ = height;
  uMax_ = surfaceWidth_ ? static_cast<float>(static_cast<double>(width_) / surfaceWidth_) : 0.0f;
  vMax_ = surfaceHeight_ ? static_cast<float>(static_cast<double>(height_) / surfaceHeight_) : 0.0f;
  CreateSurface(width, height);
  if (pool_ != D3DPOOL_DEFAULT) {
    const RECT all = {0, 0, static_cast<LONG>(surfaceWidth_), static_cast<LONG>(surfaceHeight_)};
    Fill(all, fillColor_, false);
  }
  if (!restoring_) {
    snapshot_.reset();
    source_ = tsProgram;
  }
}

void TDGTexture::LoadFromFile(const std::string& name, const std::string& archive) {
  if (archive.empty()) {
    DetailLog(
        dg::Format("ID %d(%s) のテクスチャに、%s を読み込みます", static_cast<int>(id_), name_.c_str(), name.c_str()));
    try {
      TFileStream file(name, FileMode::OpenRead);
      const BitmapHeaders h = CheckBitmapStream(file);
      SetSize(static_cast<UINT>(h.width), static_cast<UINT>(h.height));
      file.SetPosition(0);
      LoadBMP(texture_, file);
    } catch (const Exception&) {
      CheckResult(1, name + "からの、読み込みエラー");
    } catch (const std::bad_alloc&) {
      CheckResult(1, name + "からの、読み込みエラー");
    }
    source_ = tsFile;
    fileName_ = name;
    return;
  }
  DetailLog(dg::Format("ID %d(%s) のテクスチャに、LBAファイル%s から ID %s を読み込みます", static_cast<int>(id_),
                       name_.c_str(), archive.c_str(), name.c_str()));
  try {
    std::unique_ptr<TMemoryStream> entry = ReadArchiveFile(archive, name);
    const BitmapHeaders h = CheckBitmapStream(*entry);
    SetSize(static_cast<UINT>(h.width), static_cast<UINT>(h.height));
    entry->SetPosition(0);
    LoadBMP(texture_, *entry);
  } catch (const Exception&) {
    CheckResult(1, name + " ＠ " + archive + "からの、読み込みエラー");
  } catch (const std::bad_alloc&) {
    CheckResult(1, name + " ＠ " + archive + "からの、読み込みエラー");
  }
  source_ = tsArchive;
  archiveFile_ = archive;
  archiveID_ = name;
}

void TDGTexture::LoadFromStream(TStream& stream) {
  DetailLog(dg::Format("ID %d のテクスチャに、ストリームから読み込みます", static_cast<int>(id_)));
  try {
    const std::int64_t start = stream.Position();
    const BitmapHeaders h = CheckBitmapStream(stream);
    SetSize(static_cast<UINT>(h.width), static_cast<UINT>(h.height));
    stream.SetPosition(start);
    LoadBMP(texture_, stream);
    source_ = tsProgram;
  } catch (const Exception&) {
    CheckResult(1, "ストリームからの、読み込みエラー");
  } catch (const std::bad_alloc&) {
    CheckResult(1, "ストリームからの、読み込みエラー");
  }
}

void TDGTexture::SaveToStream(TStream& stream) {
  const std::uint64_t imageBytes = static_cast<std::uint64_t>(width_) * height_ * 4u;
  std::uint8_t header[kBitmapFileHeaderSize + kBitmapInfoHeaderSize];
  std::uint8_t* p = header;
  PutLe16(p, kBitmapType);
  PutLe32(p, static_cast<std::uint32_t>(imageBytes + sizeof header));
  PutLe16(p, 0);
  PutLe16(p, 0);
  PutLe32(p, sizeof header);
  PutLe32(p, kBitmapInfoHeaderSize);
  PutLe32(p, width_);
  PutLe32(p, height_);
  PutLe16(p, 1);
  PutLe16(p, 32);
  PutLe32(p, 0);
  PutLe32(p, static_cast<std::uint32_t>(imageBytes));
  for (int i = 0; i < 4; ++i) PutLe32(p, 0);
  stream.WriteBuffer(header, sizeof header);
  if (width_ == 0 || height_ == 0) return;

  const RECT area = {0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)};
  const D3DLOCKED_RECT locked = LockRect(0, &area, D3DLOCK_READONLY);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width_) * 4u, 0);
  for (UINT y = height_; y-- > 0;) {
    if (locked.pBits) {
      const std::uint8_t* src =
          static_cast<const std::uint8_t*>(locked.pBits) + static_cast<std::size_t>(y) * locked.Pitch;
      std::uint8_t* dst = row.data();
      for (UINT x = 0; x < width_; ++x, src += bytesPerPixel_, dst += 4) {
        StoreLe(dst, UnpackARGB(LoadLe(src, bytesPerPixel_), static_cast<std::uint32_t>(format_)), 4);
      }
    }
    stream.WriteBuffer(row.data(), row.size());  // a failed lock gives zero pixels
  }
  if (locked.pBits) {
    UnlockRect();
  } else {
    locked_ = false;
  }
}

D3DLOCKED_RECT TDGTexture::LockRect(UINT level, const RECT* rect, DWORD flags) {
  locked_ = true;
  if ((flags & D3DLOCK_READONLY) == 0 && source_ != tsNothing) source_ = tsProgram;
  lockedPitch_ = 0;
  lockedBits_ = nullptr;
  if (!texture_) {
    CheckResult(1, kNoTexture);
    return D3DLOCKED_RECT{0, nullptr};
  }
  lockLevel_ = level;
  D3DSURFACE_DESC desc;
  std::memset(&desc, 0, sizeof desc);
  const bool haveDesc = texture_->GetLevelDesc(level, &desc) == D3D_OK;
  if (rect) {
    lockedRect_ = *rect;
  } else {
    lockedRect_ = RECT{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
  }
  HRESULT result;
  // A rectangle outside the level is refused here, as Direct3D refuses it, on every implementation.
  if (rect && (!haveDesc || rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
               static_cast<std::uint32_t>(rect->right) > desc.Width ||
               static_cast<std::uint32_t>(rect->bottom) > desc.Height)) {
    result = D3DERR_INVALIDCALL;
  } else {
    D3DLOCKED_RECT locked{};
    result = texture_->LockRect(level, &locked, rect, flags);
    if (result == D3D_OK) {
      lockedPitch_ = locked.Pitch;
      lockedBits_ = locked.pBits;
    }
  }
  CheckResult(result, "LockRectに失敗しました");
  return D3DLOCKED_RECT{lockedPitch_, lockedBits_};
}

void TDGTexture::UnlockRect() {
  if (texture_) CheckResult(texture_->UnlockRect(lockLevel_), "アンロックに失敗しました");
  locked_ = false;
}

void TDGTexture::Fill(const RECT& rect, D3DCOLOR color, bool keepAlpha) {
  const D3DLOCKED_RECT locked = LockRect(0, &rect, 0);
  if (!locked.pBits) {
    locked_ = false;  // nothing locked, nothing to write or unlock
    return;
  }
  const auto width = static_cast<std::size_t>(rect.right - rect.left);
  const auto height = static_cast<std::size_t>(rect.bottom - rect.top);
  const std::uint32_t bpp = bytesPerPixel_;
  const auto format = static_cast<std::uint32_t>(format_);
  auto* bits = static_cast<std::uint8_t*>(locked.pBits);
  const auto pitch = static_cast<std::size_t>(locked.Pitch);
  if (!keepAlpha) {
    const std::uint32_t pixel = PackARGB(color, format);
    for (std::size_t x = 0; x < width; ++x) StoreLe(bits + x * bpp, pixel, bpp);
    for (std::size_t y = 1; y < height; ++y) std::memcpy(bits + y * pitch, bits, width * bpp);
  } else {
    for (std::size_t y = 0; y < height; ++y) {
      std::uint8_t* p = bits + y * pitch;
      for (std::size_t x = 0; x < width; ++x, p += bpp) {
        const std::uint32_t alpha = UnpackARGB(LoadLe(p, bpp), format) & 0xFF000000u;
        StoreLe(p, PackARGB(alpha | (color & 0x00FFFFFFu), format), bpp);
      }
    }
  }
  UnlockRect();
}

void TDGTexture::DeviceRelease() {
  if (!texture_) return;
  if (source_ == tsProgram && keepContent_) {
    try {
      auto snapshot = std::make_unique<TMemoryStream>();
      SaveToStream(*snapshot);
      snapshot->SetPosition(0);
      snapshot_ = std::move(snapshot);
    } catch (const Exception&) {
      snapshot_.reset();  // too big to keep: it comes back cleared
    } catch (const std::bad_alloc&) {
      snapshot_.reset();
    }
  }
  texture_->Release();
  texture_ = nullptr;
}

void TDGTexture::DeviceRebuild() {
  restoring_ = true;
  // A texture that was never sized has nothing to come back.
  const bool sized = width_ != 0 && height_ != 0;
  if (keepContent_) {
    switch (source_) {
      case tsNothing:
        if (sized) SetSize(width_, height_);
        break;
      case tsFile: LoadFromFile(fileName_, std::string()); break;
      case tsArchive: LoadFromFile(archiveID_, archiveFile_); break;
      case tsProgram:
        if (snapshot_) {
          std::unique_ptr<TMemoryStream> snapshot = std::move(snapshot_);
          LoadFromStream(*snapshot);
        } else if (sized) {
          SetSize(width_, height_);
        }
        break;
    }
  } else if (sized) {
    SetSize(width_, height_);
  }
  restoring_ = false;
}

void TDGTexture::DeviceLost() {
  if (pool_ == D3DPOOL_DEFAULT) DeviceRelease();
}

void TDGTexture::DeviceReset() {
  if (pool_ == D3DPOOL_DEFAULT && width_ != 0 && height_ != 0) SetSize(width_, height_);
}

}  // namespace dg
