// Images from a device reached through Aravis (GigE Vision, USB3 Vision).
// Not part of GenApi 3.x: this is how our camera service receives frames.
#pragma once

#include <Base/GCLinkage.h>

#include <cstdint>
#include <memory>
#include <string>

namespace GenApi {

//! One image as the device sent it: rows packed one after the other.
struct StreamImage
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t offsetX = 0;
    uint32_t offsetY = 0;
    uint32_t pixelFormat = 0; //!< GenICam pixel format code (PFNC)
    uint64_t frameId = 0;
    //! The pixels, `size` bytes. Usually the stream's own buffer, lent
    //! without a copy: it goes back to the stream once the last copy of this
    //! pointer is gone (or is freed, when the stream closed meanwhile).
    //! Holding a few frames is fine; past that, frames come as copies so
    //! that the stream always keeps buffers to receive into.
    std::shared_ptr<const uint8_t> data;
    size_t size = 0;
};

//! A stream channel of the device with a few buffers queued. It does not
//! start or stop the acquisition on the device: the caller runs the
//! device's AcquisitionStart and AcquisitionStop features around it.
//! Pop is called from one thread at a time; the images it gives may be
//! let go of on any thread, before or after the stream is destroyed.
class GENAPI_API CFrameStream
{
public:
    enum class PopResult
    {
        Image,       //!< image holds a complete frame
        Timeout,     //!< no frame within the time given
        Incomplete,  //!< a frame arrived damaged (missing packets, timeout); dropped
        SizeMismatch //!< the frame does not fit the buffers: open the stream again
    };

    ~CFrameStream();
    CFrameStream(const CFrameStream&) = delete;
    CFrameStream& operator=(const CFrameStream&) = delete;

    PopResult Pop(StreamImage& image, int timeoutMs);
    //! Bytes of one buffer (the device's PayloadSize when the stream opened).
    size_t GetBufferSize() const;

    struct Impl;
    explicit CFrameStream(std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace GenApi
