// Enumeration entries: IEnumEntry over the entry's elements and Aravis's
// ArvGcEnumEntry. Named "EnumEntry_<Enumeration>_<Symbolic>" in the node map.
#pragma once

#include "node.h"

namespace GenApi {
namespace Internal {

class EnumEntryNode final : public Node, public IEnumEntry
{
public:
    EnumEntryNode(NodeMap* map, int index, ArvGcNode* arvNode) : Node(map, index, arvNode) {}

    EInterfaceType GetPrincipalInterfaceType() const override { return intfIEnumEntry; }

    int64_t GetValue() override;
    gcstring GetSymbolic() const override { return std::string(record().symbolic); }
    //! NumericValue when the entry has one, else its integer value.
    double GetNumericValue() override;
    bool IsSelfClearing() override { return record().text("IsSelfClearing") == "Yes"; }

    //! Available and implemented now.
    bool isAvailable() const;

protected:
    EAccessMode ownAccessMode() const override { return RO; }
    std::string valueToString(bool verify, bool ignoreCache) override;
};

} // namespace Internal
} // namespace GenApi
