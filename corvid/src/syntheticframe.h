// Synthetic images of a simulated camera: one recognisable picture per 2D
// image kind (show mode), drawn in sensor coordinates so that the image
// offsets move the picture as a real region of interest would.
#pragma once

#include <Corvid/CorvidHost.h>

namespace Corvid {
namespace Internal {

struct SyntheticGeometry
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t offsetX = 0;
    uint32_t offsetY = 0;
    uint32_t sensorWidth = 0; //!< at least offsetX + width
    uint32_t sensorHeight = 0;
    uint32_t pixelFormat = PIXEL_MONO8;
};

//! Bytes per pixel of the formats a synthetic frame takes (1 for unknown
//! codes, which are drawn as Mono8).
int syntheticBytesPerPixel(uint32_t pixelFormat);

//! Fills frame (size, format, data) with the picture of mode (1 to 9; any
//! other mode gives mode 9's picture with its own number). The thread keeps
//! the last picture it drew and copies it while the geometry and the mode
//! stay the same.
void drawSyntheticFrame(Frame& frame, const SyntheticGeometry& geometry, int mode);

} // namespace Internal
} // namespace Corvid
