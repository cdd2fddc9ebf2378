// TDGTexture: one Direct3D texture of a TDGCarad whose content survives a reset and a re-creation
// of the device.
//
// The creator gives the acceptable formats (most wanted first), the usage, the pool and the mip
// level count (0: the full chain). SetSize creates the texture for an image of Width x Height
// pixels within the device's limits (the surface may be larger: UMax and VMax are the texture
// coordinates of the image's right and bottom edges). The content comes from a BMP file, an
// archive entry, a stream, or is written through LockRect; Source remembers which, so that the
// device's rebuild can restore it (program-made content through a 32-bit BMP snapshot taken when
// the device goes). Default-pool textures come back from a reset empty: their owner draws them
// again.
//
// Ownership: the texture registers with the carad in its constructor and unregisters in its
// destructor; make it with `new` (a leftover is deleted by the carad, see carad.h) and destroy it
// before the carad. It owns its IDirect3DTexture9 and its snapshot. Single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dg/object.h"
#include "dg/stream.h"
#include "platform/d3d.h"

namespace dg {

class TDGCarad;

// Where a texture's content came from.
enum TDGTextureSource : std::uint8_t {
  tsNothing = 0,  // never sized
  tsFile = 1,     // BMP file FileName
  tsArchive = 2,  // entry ArchiveID of archive ArchiveFile
  tsProgram = 3,  // a stream, SetSize, or a writing lock
};

class TDGTexture : public TObject {
 public:
  // Stores the arguments and registers; no texture yet.
  TDGTexture(TDGCarad& carad, std::vector<D3DFORMAT> formats, DWORD usage, D3DPOOL pool, UINT levels,
             const std::string& name);
  ~TDGTexture() override;
  const char* ClassName() const override { return "TDGTexture"; }

  // Creates the texture for a width x height image (pixels), cleared with FillColor unless it is
  // in the default pool.
  void SetSize(UINT width, UINT height);
  // archive empty: the BMP file `name`; otherwise entry `name` of archive file `archive`.
  // Failures are logged (CheckResult code 1; a file cut short only by LoadBMP's read-error line,
  // keeping the rows it holds); Source and the names are set in every case.
  void LoadFromFile(const std::string& name, const std::string& archive = std::string());
  // The BMP that starts at the stream's position.
  void LoadFromStream(TStream& stream);
  // Writes the image area as a 32-bit bottom-up BMP of 54 + Width x Height x 4 bytes.
  void SaveToStream(TStream& stream);

  // Locks `rect` of mip level `level` (null: the whole level); the bits address the rectangle's
  // top-left pixel, rows Pitch bytes apart. A writing lock makes the content program-made. On a
  // failure the result is {0, nullptr}. Every lock, failed or not, is followed by UnlockRect.
  D3DLOCKED_RECT LockRect(UINT level, const RECT* rect, DWORD flags);
  void UnlockRect();
  // Sets every pixel of `rect` on level 0 to `color` (ARGB); with keepAlpha each pixel keeps its
  // alpha and takes only the colour.
  void Fill(const RECT& rect, D3DCOLOR color, bool keepAlpha);

  // Registry callbacks.
  void DeviceRelease();
  void DeviceRebuild();
  void DeviceLost();
  void DeviceReset();

  // Properties.
  std::int32_t ID() const { return id_; }
  const std::string& Name() const { return name_; }
  TDGCarad& Carad() const { return carad_; }
  D3DFORMAT Format() const { return format_; }
  const std::vector<D3DFORMAT>& Formats() const { return formats_; }
  UINT Width() const { return width_; }
  UINT Height() const { return height_; }
  UINT SurfaceWidth() const { return surfaceWidth_; }
  UINT SurfaceHeight() const { return surfaceHeight_; }
  float UMax() const { return uMax_; }
  float VMax() const { return vMax_; }
  IDirect3DTexture9* Texture() const { return texture_; }
  DWORD Usage() const { return usage_; }
  D3DPOOL Pool() const { return pool_; }
  D3DCOLOR FillColor() const { return fillColor_; }
  void SetFillColor(D3DCOLOR color) { fillColor_ = color; }
  bool Locked() const { return locked_; }
  INT LockedPitch() const { return lockedPitch_; }
  void* LockedBits() const { return lockedBits_; }
  const RECT& LockedRect() const { return lockedRect_; }
  UINT LockLevel() const { return lockLevel_; }
  std::uint32_t BytesPerPixel() const { return bytesPerPixel_; }
  UINT Levels() const { return levels_; }
  bool KeepContent() const { return keepContent_; }
  TDGTextureSource Source() const { return source_; }
  const std::string& FileName() const { return fileName_; }
  const std::string& ArchiveFile() const { return archiveFile_; }
  const std::string& ArchiveID() const { return archiveID_; }
  const TMemoryStream* Snapshot() const { return snapshot_.get(); }
  bool Restoring() const { return restoring_; }

 private:
  D3DFORMAT ChooseFormat() const;
  void CreateSurface(UINT width, UINT height);

  std::int32_t id_ = 0;
  std::string name_;
  TDGCarad& carad_;
  D3DFORMAT format_ = D3DFMT_UNKNOWN;
  std::vector<D3DFORMAT> formats_;
  UINT width_ = 0;
  UINT height_ = 0;
  UINT surfaceWidth_ = 0;
  UINT surfaceHeight_ = 0;
  float uMax_ = 0.0f;
  float vMax_ = 0.0f;
  IDirect3DTexture9* texture_ = nullptr;
  DWORD usage_ = 0;
  D3DPOOL pool_ = D3DPOOL_MANAGED;
  D3DCOLOR fillColor_ = 0;
  bool locked_ = false;
  INT lockedPitch_ = 0;
  void* lockedBits_ = nullptr;
  RECT lockedRect_{};
  UINT lockLevel_ = 0;
  std::uint32_t bytesPerPixel_ = 0;
  UINT levels_ = 0;
  bool keepContent_ = true;
  TDGTextureSource source_ = tsNothing;
  std::string fileName_;
  std::string archiveFile_;
  std::string archiveID_;
  std::unique_ptr<TMemoryStream> snapshot_;
  bool restoring_ = false;
};

}  // namespace dg
