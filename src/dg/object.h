// The base of the objects that register with the device component (textures, buffers, scenes,
// light groups): a virtual destructor, so that TDGCarad can destroy a leftover owner, and the class
// name that its log lines show.
#pragma once

namespace dg {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  // The class name as the log writes it ("TDGTexture"); a static string.
  virtual const char* ClassName() const = 0;
};

}  // namespace dg
