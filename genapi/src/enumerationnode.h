// Enumeration nodes: IEnumeration over Aravis's ArvGcEnumeration, with the
// entries in document order (Aravis keeps them reversed).
#pragma once

#include "node.h"

#include <vector>

namespace GenApi {
namespace Internal {

class EnumEntryNode;

class EnumerationNode final : public Node, public IEnumeration
{
public:
    EnumerationNode(NodeMap* map, int index, ArvGcNode* arvNode) : Node(map, index, arvNode) {}

    EInterfaceType GetPrincipalInterfaceType() const override { return intfIEnumeration; }

    void GetSymbolics(StringList_t& Symbolics) override;
    void GetEntries(NodeList_t& Entries) override;
    IEnumeration& operator=(const gcstring& ValueStr) override;
    void SetIntValue(int64_t Value, bool Verify = true) override;
    int64_t GetIntValue(bool Verify = false, bool IgnoreCache = false) override;
    int64_t operator()() override { return GetIntValue(); }
    IEnumEntry* GetEntryByName(const gcstring& Symbolic) override;
    IEnumEntry* GetEntry(int64_t IntValue) override;
    IEnumEntry* GetCurrentEntry(bool Verify = false, bool IgnoreCache = false) override;

protected:
    EAccessMode ownAccessMode() const override;
    std::string valueToString(bool verify, bool ignoreCache) override;
    void valueFromString(const std::string& text, bool verify) override;

private:
    std::vector<EnumEntryNode*> entries() const;
    EnumEntryNode* entryWithValue(int64_t value) const;
};

} // namespace Internal
} // namespace GenApi
