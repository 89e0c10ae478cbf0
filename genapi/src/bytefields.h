// Fixed-size unsigned fields of the formats we read and write: big-endian
// (GigE Vision's control protocol) and little-endian (zip archives). Callers
// bound the offsets; these only put the bytes together and apart.
#pragma once

#include <cstdint>

namespace GenApi {
namespace Internal {

inline uint16_t getBE16(const uint8_t* at)
{
    return uint16_t(at[0] << 8 | at[1]);
}

inline uint32_t getBE32(const uint8_t* at)
{
    return uint32_t(getBE16(at)) << 16 | getBE16(at + 2);
}

inline void setBE16(uint8_t* at, uint16_t value)
{
    at[0] = uint8_t(value >> 8);
    at[1] = uint8_t(value);
}

inline void setBE32(uint8_t* at, uint32_t value)
{
    setBE16(at, uint16_t(value >> 16));
    setBE16(at + 2, uint16_t(value));
}

inline uint16_t getLE16(const uint8_t* at)
{
    return uint16_t(at[0] | at[1] << 8);
}

inline uint32_t getLE32(const uint8_t* at)
{
    return uint32_t(getLE16(at)) | uint32_t(getLE16(at + 2)) << 16;
}

inline void setLE16(uint8_t* at, uint16_t value)
{
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

inline void setLE32(uint8_t* at, uint32_t value)
{
    setLE16(at, uint16_t(value));
    setLE16(at + 2, uint16_t(value >> 16));
}

} // namespace Internal
} // namespace GenApi
