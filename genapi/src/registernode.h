// Register access: IRegister over Aravis's ArvGcRegister, on Register nodes
// (RegisterNode, whose value is the raw bytes) and, as GenApi gives it, on
// every register-backed value node: IntReg, MaskedIntReg and StructEntry
// (integers), FloatReg (float) and StringReg (string).
#pragma once

#include "floatnode.h"
#include "integernode.h"
#include "node.h"
#include "stringnode.h"

namespace GenApi {
namespace Internal {

//! IRegister over the node's ArvGcRegister, added to a node class: the bytes
//! of the register as the device holds them, its length, and its address as
//! the device sees it (Address, pAddress, inline swiss knives, pIndex with
//! Offset or pOffset, evaluated now).
template <class Base> class RegisterInterface : public Base, public IRegister
{
public:
    RegisterInterface(NodeMap* map, int index, ArvGcNode* arvNode) : Base(map, index, arvNode) {}

    void Set(const uint8_t* pBuffer, int64_t Length, bool Verify = true) override;
    void Get(uint8_t* pBuffer, int64_t Length, bool Verify = false, bool IgnoreCache = false) override;
    int64_t GetLength() override;
    int64_t GetAddress() override;

protected:
    ArvGcRegister* arvRegister() const { return ARV_GC_REGISTER(this->m_arv); }

private:
    void checkLength(int64_t length);
};

using IntRegNode = RegisterInterface<IntegerNode>;
using FloatRegNode = RegisterInterface<FloatNode>;
using StringRegNode = RegisterInterface<StringNode>;

class RegisterNode final : public RegisterInterface<Node>
{
public:
    RegisterNode(NodeMap* map, int index, ArvGcNode* arvNode) : RegisterInterface<Node>(map, index, arvNode)
    {
    }

    EInterfaceType GetPrincipalInterfaceType() const override { return intfIRegister; }

protected:
    EAccessMode ownAccessMode() const override;
    //! The bytes as "0x" and two hex digits each, in register order.
    std::string valueToString(bool verify, bool ignoreCache) override;
    void valueFromString(const std::string& text, bool verify) override;
};

extern template class RegisterInterface<Node>;
extern template class RegisterInterface<IntegerNode>;
extern template class RegisterInterface<FloatNode>;
extern template class RegisterInterface<StringNode>;

} // namespace Internal
} // namespace GenApi
