// What the host's image view calls left behind when no view is registered
// (the shown mode, the drawn regions, ...), per device id.
#include "service.h"

namespace Corvid {
namespace Internal {

ImageViewRecord Service::imageViewRecord(const std::string& id) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_imageView.find(id);
    return it == m_imageView.end() ? ImageViewRecord() : it->second;
}

void Service::recordImageView(const std::string& id, const std::function<void(ImageViewRecord&)>& change)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    change(m_imageView[id]);
}

} // namespace Internal
} // namespace Corvid
