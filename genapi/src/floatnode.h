// Float, FloatReg, SwissKnife and Converter nodes: IFloat over Aravis's
// ArvGcFloat.
#pragma once

#include "node.h"

namespace GenApi {
namespace Internal {

class FloatNode : public Node, public IFloat
{
public:
    FloatNode(NodeMap* map, int index, ArvGcNode* arvNode);

    EInterfaceType GetPrincipalInterfaceType() const override { return intfIFloat; }

    void SetValue(double Value, bool Verify = true) override;
    IFloat& operator=(double Value) override;
    double GetValue(bool Verify = false, bool IgnoreCache = false) override;
    double operator()() override { return GetValue(); }
    double operator*() override { return GetValue(); }
    double GetMin() override;
    double GetMax() override;
    bool HasInc() override;
    EIncMode GetIncMode() override { return HasInc() ? fixedIncrement : noIncrement; }
    double GetInc() override;
    double_autovector_t GetListOfValidValues(bool bounded = true) override;
    ERepresentation GetRepresentation() override;
    gcstring GetUnit() const override;
    EDisplayNotation GetDisplayNotation() const override;
    int64_t GetDisplayPrecision() const override;
    void ImposeMin(double Value) override;
    void ImposeMax(double Value) override;

protected:
    EAccessMode ownAccessMode() const override;
    std::string valueToString(bool verify, bool ignoreCache) override;
    void valueFromString(const std::string& text, bool verify) override;

private:
    mutable double m_keptValue = 0;
    mutable uint64_t m_keptStamp = 0; // 0: nothing kept
    ArvGcFloat* floating() const { return ARV_GC_FLOAT(m_arv); }
    void checkRange(double value, bool withIncrement);
    //! The value as the node shows it (its DisplayNotation and DisplayPrecision).
    std::string displayText(double value) const;

    double m_imposedMin;
    double m_imposedMax;
};

//! A float as GenApi's ToString writes it with that notation and precision.
std::string floatDisplayText(double value, EDisplayNotation notation, int64_t precision);

} // namespace Internal
} // namespace GenApi
