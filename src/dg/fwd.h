// Forward declarations of the device layer's classes, for headers that only name them by
// reference or pointer (the definitions: dg/carad.h, dg/texture.h).
#pragma once

namespace dg {

class TDGCarad;
class TDGTexture;

}  // namespace dg
