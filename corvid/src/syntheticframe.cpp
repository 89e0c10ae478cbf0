#include "syntheticframe.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace Corvid {
namespace Internal {

namespace {

struct Rgb
{
    int r, g, b;
};

//! Tint of each mode's picture in RGB8.
const Rgb kTints[10] = {{255, 255, 255}, {255, 190, 120}, {120, 190, 255}, {255, 120, 120}, {120, 255, 140},
                        {255, 230, 90},  {200, 130, 255}, {90, 230, 230},  {255, 140, 220}, {170, 255, 90}};

//! Seven-segment digits: bit 0 top, 1 upper right, 2 lower right, 3 bottom,
//! 4 lower left, 5 upper left, 6 middle.
const unsigned char kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

//! The number of the mode, large, in the middle of the sensor: 2 inside a
//! stroke, 1 on its dark outline, 0 elsewhere.
struct Digit
{
    int left = 0, top = 0, w = 0, h = 0, stroke = 0;
    unsigned char segments = 0;

    int at(int x, int y) const
    {
        x -= left;
        y -= top;
        const int pad = stroke / 2 + 1;
        if (x < -pad || y < -pad || x >= w + pad || y >= h + pad)
            return 0;
        int best = 0;
        const int half = h / 2;
        // Each segment as a rectangle [x0, x1) x [y0, y1).
        const int rects[7][4] = {{0, w, 0, stroke},
                                 {w - stroke, w, 0, half},
                                 {w - stroke, w, half, h},
                                 {0, w, h - stroke, h},
                                 {0, stroke, half, h},
                                 {0, stroke, 0, half},
                                 {0, w, half - stroke / 2, half + stroke - stroke / 2}};
        for (int s = 0; s < 7; ++s) {
            if (!(segments & (1 << s)))
                continue;
            const int* r = rects[s];
            if (x >= r[0] && x < r[1] && y >= r[2] && y < r[3])
                return 2;
            if (x >= r[0] - pad && x < r[1] + pad && y >= r[2] - pad && y < r[3] + pad)
                best = 1;
        }
        return best;
    }
};

//! Grey level of mode's background at sensor position (x, y).
int background(int mode, int x, int y, int sw, int sh)
{
    const int dx = x - sw / 2;
    const int dy = y - sh / 2;
    switch (mode) {
    case 1: // left view: diagonal gradient falling to the right, with a grid
        if (x % 256 < 3 || y % 256 < 3)
            return 250;
        return 40 + 180 * (sw - x + y) / (sw + sh);
    case 2: // right view: the gradient mirrored
        if (x % 256 < 3 || y % 256 < 3)
            return 250;
        return 40 + 180 * (x + y) / (sw + sh);
    case 3: // left streaks: vertical fringes
        return (x / 32) % 2 ? 225 : 30;
    case 4: // right streaks: horizontal fringes
        return (y / 32) % 2 ? 225 : 30;
    case 5: // left shot: rings 48 pixels wide
        return int(std::sqrt(double(dx) * dx + double(dy) * dy)) / 48 % 2 ? 220 : 50;
    case 6: // right shot: checkerboard
        return ((x / 128) + (y / 128)) % 2 ? 215 : 45;
    case 7: { // left reflex: a bright spot
        const int r = std::max(1, std::min(sw, sh) / 2);
        const int d = std::abs(dx) + std::abs(dy);
        return std::max(20, 255 - 235 * d / r);
    }
    case 8: // right reflex: diamonds
        return ((std::abs(dx) + std::abs(dy)) / 64) % 2 ? 210 : 55;
    default: { // quality: blocks of scattered grey
        unsigned h = unsigned(x / 64) * 73856093u ^ unsigned(y / 64) * 19349663u;
        h ^= h >> 13;
        h *= 0x5bd1e995u;
        return 30 + int((h >> 7) % 200);
    }
    }
}

//! The picture an acquisition's thread drew last: its frames repeat it
//! until the geometry, the format or the kind changes, so it is drawn once
//! per change and copied for each frame.
struct LastPicture
{
    SyntheticGeometry geometry;
    int mode = -1;
    std::vector<uint8_t> data;

    bool matches(const SyntheticGeometry& g, int m) const
    {
        const SyntheticGeometry& a = geometry;
        return m == mode && a.width == g.width && a.height == g.height && a.offsetX == g.offsetX &&
               a.offsetY == g.offsetY && a.sensorWidth == g.sensorWidth && a.sensorHeight == g.sensorHeight &&
               a.pixelFormat == g.pixelFormat;
    }
};

thread_local LastPicture t_lastPicture;

} // namespace

int syntheticBytesPerPixel(uint32_t pixelFormat)
{
    switch (pixelFormat) {
    case PIXEL_MONO16:
    case PIXEL_COORD3D_C16:
        return 2;
    case PIXEL_RGB8:
        return 3;
    default:
        return 1;
    }
}

void drawSyntheticFrame(Frame& frame, const SyntheticGeometry& g, int mode)
{
    const int bpp = syntheticBytesPerPixel(g.pixelFormat);
    frame.width = g.width;
    frame.height = g.height;
    frame.offsetX = g.offsetX;
    frame.offsetY = g.offsetY;
    frame.pixelFormat = bpp == 1 ? uint32_t(PIXEL_MONO8) : g.pixelFormat;
    if (t_lastPicture.matches(g, mode)) {
        frame.data = t_lastPicture.data;
        return;
    }
    frame.data.resize(size_t(g.width) * g.height * size_t(bpp));

    const int sw = int(std::max(g.sensorWidth, g.offsetX + g.width));
    const int sh = int(std::max(g.sensorHeight, g.offsetY + g.height));
    Digit digit;
    digit.h = sh / 3;
    digit.w = digit.h / 2;
    digit.stroke = std::max(2, digit.h / 9);
    digit.left = (sw - digit.w) / 2;
    digit.top = (sh - digit.h) / 2;
    digit.segments = kSegments[mode >= 0 && mode <= 9 ? mode : 9];
    const Rgb tint = kTints[mode >= 0 && mode <= 9 ? mode : 9];

    uint8_t* out = frame.data.data();
    for (uint32_t row = 0; row < g.height; ++row) {
        const int y = int(g.offsetY + row);
        const bool digitRow = y >= digit.top - digit.stroke && y < digit.top + digit.h + digit.stroke;
        for (uint32_t col = 0; col < g.width; ++col) {
            const int x = int(g.offsetX + col);
            int v = background(mode, x, y, sw, sh);
            int inDigit = digitRow ? digit.at(x, y) : 0;
            if (inDigit)
                v = inDigit == 2 ? 255 : 0;
            switch (bpp) {
            case 1:
                *out++ = uint8_t(v);
                break;
            case 2: { // little-endian, the full 16-bit range
                const int v16 = v * 257;
                *out++ = uint8_t(v16 & 0xFF);
                *out++ = uint8_t(v16 >> 8);
                break;
            }
            default:
                if (inDigit) {
                    *out++ = uint8_t(v);
                    *out++ = uint8_t(v);
                    *out++ = uint8_t(v);
                } else {
                    *out++ = uint8_t(v * tint.r / 255);
                    *out++ = uint8_t(v * tint.g / 255);
                    *out++ = uint8_t(v * tint.b / 255);
                }
                break;
            }
        }
    }
    t_lastPicture.geometry = g;
    t_lastPicture.mode = mode;
    t_lastPicture.data = frame.data;
}

} // namespace Internal
} // namespace Corvid
