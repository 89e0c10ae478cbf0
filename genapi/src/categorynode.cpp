#include "categorynode.h"

namespace GenApi {
namespace Internal {

void CategoryNode::GetFeatures(FeatureList_t& Features) const
{
    Lock guard = lock();
    Features.clear();
    for (const std::string& feature : record().all("pFeature")) {
        Node* node = m_map->nodeNamed(feature);
        if (node && node != this) // a category never contains itself
            Features.push_back(node);
    }
}

} // namespace Internal
} // namespace GenApi
