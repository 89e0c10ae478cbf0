// Category nodes: ICategory, the features they list.
#pragma once

#include "node.h"

namespace GenApi {
namespace Internal {

class CategoryNode final : public Node, public ICategory
{
public:
    CategoryNode(NodeMap* map, int index, ArvGcNode* arvNode) : Node(map, index, arvNode) {}

    EInterfaceType GetPrincipalInterfaceType() const override { return intfICategory; }

    //! The listed features that the description defines, in document order.
    void GetFeatures(FeatureList_t& Features) const override;
};

} // namespace Internal
} // namespace GenApi
