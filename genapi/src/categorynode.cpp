#include "categorynode.h"

namespace GenApi {
namespace Internal {

void CategoryNode::GetFeatures(FeatureList_t& Features) const
{
    Lock guard = lock();
    Features.clear();
    for (const std::string& feature : record().all("pFeature")) {
        if (Node* node = m_map->nodeNamed(feature))
            Features.push_back(node);
    }
}

} // namespace Internal
} // namespace GenApi
