// Integer, IntReg, MaskedIntReg, IntSwissKnife, IntConverter and StructEntry
// nodes: IInteger over Aravis's ArvGcInteger.
#pragma once

#include "node.h"

namespace GenApi {
namespace Internal {

class IntegerNode : public Node, public IInteger
{
public:
    IntegerNode(NodeMap* map, int index, ArvGcNode* arvNode);

    EInterfaceType GetPrincipalInterfaceType() const override { return intfIInteger; }

    void SetValue(int64_t Value, bool Verify = true) override;
    IInteger& operator=(int64_t Value) override;
    int64_t GetValue(bool Verify = false, bool IgnoreCache = false) override;
    int64_t operator()() override { return GetValue(); }
    int64_t operator*() override { return GetValue(); }
    int64_t GetMin() override;
    int64_t GetMax() override;
    EIncMode GetIncMode() override { return fixedIncrement; }
    int64_t GetInc() override;
    int64_autovector_t GetListOfValidValues(bool bounded = true) override;
    ERepresentation GetRepresentation() override;
    gcstring GetUnit() const override;
    void ImposeMin(int64_t Value) override;
    void ImposeMax(int64_t Value) override;

protected:
    EAccessMode ownAccessMode() const override;
    std::string valueToString(bool verify, bool ignoreCache) override;
    void valueFromString(const std::string& text, bool verify) override;

private:
    mutable int64_t m_keptValue = 0;
    mutable uint64_t m_keptStamp = 0; // 0: nothing kept
    ArvGcInteger* integer() const { return ARV_GC_INTEGER(m_arv); }
    void checkRange(int64_t value, bool withIncrement);

    int64_t m_imposedMin;
    int64_t m_imposedMax;
};

//! The text of an integer in a representation: hex for HexNumber, dotted
//! quad for IPV4Address, colon-separated octets for MACAddress, else decimal.
std::string integerToText(int64_t value, ERepresentation representation);
//! Parses decimal, 0x-hex, dotted-quad and MAC-address text; false when the
//! text is none of them.
bool integerFromText(const std::string& text, int64_t* value);

} // namespace Internal
} // namespace GenApi
