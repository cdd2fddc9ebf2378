// The pictures of the data set, painted in code.
#pragma once

#include "formats.h"

namespace databuild {
namespace textures {

Image CarDetails();         // crmd_10: grille, badge, plates, rear panel, gauges (256 x 256, opaque)
Image Ground();             // crmd_15: track, kerb, grass and banner columns, tiling vertically (256 x 256)
Image SkyGlow();            // crmd_39: horizon haze and sun glow with alpha (256 x 256)
Image Title();              // crmd_41: the product name in white on transparency (512 x 128)
Image Billboard(int kind);  // crmd_47, crmd_48, crmd_49 (kinds 0, 1, 2) with alpha

}  // namespace textures
}  // namespace databuild
