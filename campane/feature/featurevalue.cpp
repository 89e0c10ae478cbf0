#include "featurevalue.h"

#include <GenApi/GenApi.h>

#include <QThread>

#include <algorithm>
#include <iterator>
#include <limits>

using namespace GenApi;

namespace {

qint64 toWidth(int64_t value, IntegerWidth width)
{
    return width == IntegerWidth::Low32 ? qint64(narrowToInt(value)) : qint64(value);
}

QVariant integerVariant(int64_t value, IntegerWidth width)
{
    return width == IntegerWidth::Low32 ? QVariant(narrowToInt(value)) : QVariant(qlonglong(value));
}

double toWidth(double value, FloatWidth width)
{
    return width == FloatWidth::Single ? double(static_cast<float>(value)) : value;
}

void settle(unsigned long ms)
{
    if (ms > 0)
        QThread::msleep(ms);
}

// Runs `call`; a failure becomes a record (and, when it is not GenICam's,
// a log line under the tag, as genApiCall() writes it). Nothing escapes.
template <typename Call>
FeatureError guarded(const QString& feature, const char* tag, const char* operation, Call&& call) noexcept
{
    try {
        try {
            call();
            return FeatureError();
        } catch (const GenICam::GenericException& e) {
            return featureError(e, feature, QLatin1String(operation));
        } catch (const std::exception& e) {
            logStdException(tag, e, feature, operation);
            return featureError(e, feature, QLatin1String(operation));
        } catch (...) {
            logUnknownException(tag, feature, operation);
            return unknownFeatureError(feature, QLatin1String(operation));
        }
    } catch (...) {
        // The record itself could not be made (no memory left): still a failure.
        FeatureError failure;
        failure.kind = QStringLiteral("unknown");
        return failure;
    }
}

} // namespace

int narrowToInt(qint64 value)
{
    return static_cast<int>(static_cast<uint32_t>(value));
}

int narrowMaximumToInt(qint64 value)
{
    const int narrowed = narrowToInt(value);
    return narrowed == -1 ? std::numeric_limits<int>::max() : narrowed;
}

bool isReadableMode(EAccessMode mode)
{
    return mode == RO || mode == RW;
}

bool isWritableMode(EAccessMode mode)
{
    return mode == WO || mode == RW;
}

FeatureValue::FeatureValue(INode* node, const QString& name) : m_node(node), m_name(name) {}

QString FeatureValue::name() const
{
    if (!m_name.isEmpty() || !m_node)
        return m_name;
    QString name;
    genApiCall("FeatureValue", [&] { name = fromGc(m_node->GetName(false)); });
    return name;
}

FeatureKind FeatureValue::kind() const
{
    if (!m_node)
        return FeatureKind::None;
    // By GenApi's interface type, in the order of EInterfaceType.
    static const FeatureKind kinds[] = {FeatureKind::Other,       FeatureKind::Other,   FeatureKind::Integer,
                                        FeatureKind::Boolean,     FeatureKind::Command, FeatureKind::Float,
                                        FeatureKind::String,      FeatureKind::Other,   FeatureKind::Category,
                                        FeatureKind::Enumeration, FeatureKind::Other,   FeatureKind::Other};
    static_assert(intfIEnumeration == 9 && intfIPort == 11, "EInterfaceType's order");
    const int type = int(m_node->GetPrincipalInterfaceType());
    return type >= 0 && type < int(std::size(kinds)) ? kinds[type] : FeatureKind::Other;
}

EAccessMode FeatureValue::accessMode() const
{
    return m_node ? m_node->GetAccessMode() : NI;
}

IntegerText FeatureValue::integerText() const
{
    switch (CIntegerPtr(m_node)->GetRepresentation()) {
    case HexNumber:
        return hexNumberText(name());
    case IPV4Address:
        return IntegerText::IPv4;
    case MACAddress:
        return IntegerText::Mac;
    default:
        return IntegerText::Number;
    }
}

FloatDisplay FeatureValue::floatDisplay() const
{
    CFloatPtr floating(m_node);
    FloatDisplay display;
    // The precision comes from the description: bounded.
    display.precision = int(std::clamp<int64_t>(floating->GetDisplayPrecision(), 0, 17));
    switch (floating->GetDisplayNotation()) {
    case fnFixed:
        display.notation = FloatDisplay::Fixed;
        break;
    case fnScientific:
        display.notation = FloatDisplay::Scientific;
        break;
    default:
        display.notation = FloatDisplay::Automatic;
        break;
    }
    return display;
}

bool FeatureValue::isPlainNumber() const
{
    const ERepresentation representation = CIntegerPtr(m_node)->GetRepresentation();
    return representation == Linear || representation == PureNumber;
}

QString FeatureValue::unit() const
{
    switch (kind()) {
    case FeatureKind::Integer:
        return fromGc(CIntegerPtr(m_node)->GetUnit());
    case FeatureKind::Float:
        return fromGc(CFloatPtr(m_node)->GetUnit());
    default:
        return QString();
    }
}

QVariant FeatureValue::value(const ReadPolicy& policy) const
{
    const bool verify = policy.verify;
    const bool ignoreCache = policy.ignoreCache;
    switch (kind()) {
    case FeatureKind::Integer:
        return integerVariant(CIntegerPtr(m_node)->GetValue(verify, ignoreCache), policy.integerWidth);
    case FeatureKind::Float:
        return toWidth(CFloatPtr(m_node)->GetValue(verify, ignoreCache), policy.floatWidth);
    case FeatureKind::Boolean:
        return CBooleanPtr(m_node)->GetValue(verify, ignoreCache);
    case FeatureKind::String: {
        const gcstring text = CStringPtr(m_node)->GetValue(verify, ignoreCache);
        return policy.localEncoding ? QString::fromLocal8Bit(text.c_str()) : fromGc(text);
    }
    case FeatureKind::Enumeration: {
        CEnumerationPtr enumeration(m_node);
        if (policy.entryAsString)
            return fromGc(enumeration->ToString(verify, ignoreCache));
        if (IEnumEntry* entry = enumeration->GetCurrentEntry(verify, ignoreCache))
            return fromGc(entry->GetSymbolic());
        return QVariant();
    }
    default:
        return QVariant();
    }
}

QVariant FeatureValue::text(TextStyle style, const ReadPolicy& policy) const
{
    if (kind() == FeatureKind::Command)
        return styledValue(style, FeatureKind::Command, QVariant());
    return styled(style, value(policy));
}

QVariant FeatureValue::styled(TextStyle style, const QVariant& value) const
{
    const FeatureKind featureKind = kind();
    switch (featureKind) {
    case FeatureKind::Integer:
        return styledValue(style, featureKind, value, integerText());
    case FeatureKind::Float:
        return styledValue(style, featureKind, value, IntegerText::Number, floatDisplay());
    default:
        return styledValue(style, featureKind, value);
    }
}

FeatureLimits FeatureValue::limits(bool withIncrement) const
{
    FeatureLimits limits;
    switch (kind()) {
    case FeatureKind::Integer: {
        CIntegerPtr integer(m_node);
        limits.minimum = qlonglong(integer->GetMin());
        limits.maximum = qlonglong(integer->GetMax());
        if (withIncrement)
            limits.increment = qlonglong(integer->GetInc());
        break;
    }
    case FeatureKind::Float: {
        CFloatPtr floating(m_node);
        limits.minimum = floating->GetMin();
        limits.maximum = floating->GetMax();
        if (withIncrement && floating->HasInc())
            limits.increment = floating->GetInc();
        break;
    }
    default:
        break;
    }
    return limits;
}

QStringList FeatureValue::entries(bool availableOnly) const
{
    CEnumerationPtr enumeration(m_node);
    StringList_t symbolics;
    enumeration->GetSymbolics(symbolics);
    QStringList entries;
    for (const gcstring& symbolic : symbolics) {
        if (!availableOnly || enumeration->GetEntryByName(symbolic))
            entries.append(fromGc(symbolic));
    }
    return entries;
}

FeatureEntry FeatureValue::entry(const QString& symbolic) const
{
    CEnumEntryPtr entry = CEnumerationPtr(m_node)->GetEntryByName(toGc(symbolic));
    CNodePtr entryNode = entry->GetNode();
    FeatureEntry detail;
    detail.displayName = fromGc(entryNode->GetDisplayName());
    detail.description = fromGc(entryNode->GetDescription());
    detail.symbolic = fromGc(entry->GetSymbolic());
    detail.value = entry->GetNumericValue();
    switch (entryNode->GetNameSpace()) {
    case Custom:
        detail.nameSpace = QStringLiteral("Custom");
        break;
    case Standard:
        detail.nameSpace = QStringLiteral("Standard");
        break;
    default:
        detail.nameSpace = QStringLiteral("_UndefinedNameSpace");
        break;
    }
    return detail;
}

QVariant FeatureValue::set(const QVariant& value, const WritePolicy& policy, bool* missingEntry) const
{
    const bool verify = policy.verify;
    const bool readBack = policy.readBack;
    switch (kind()) {
    case FeatureKind::Integer: {
        CIntegerPtr integer(m_node);
        integer->SetValue(value.toLongLong(), verify);
        settle(policy.settleMs);
        return readBack ? integerVariant(integer->GetValue(true, true), policy.integerWidth) : QVariant();
    }
    case FeatureKind::Float: {
        CFloatPtr floating(m_node);
        floating->SetValue(
            policy.floatWidth == FloatWidth::Single ? double(value.toFloat()) : value.toDouble(), verify);
        settle(policy.settleMs);
        return readBack ? QVariant(floating->GetValue(true, true)) : QVariant();
    }
    case FeatureKind::Boolean: {
        CBooleanPtr boolean(m_node);
        boolean->SetValue(value.toBool(), verify);
        settle(policy.settleMs);
        return readBack ? QVariant(boolean->GetValue(true, true)) : QVariant();
    }
    case FeatureKind::String: {
        CStringPtr string(m_node);
        string->SetValue(toGc(value.toString()), verify);
        settle(policy.settleMs);
        return readBack ? QVariant(fromGc(string->GetValue(true, true))) : QVariant();
    }
    case FeatureKind::Enumeration: {
        CEnumerationPtr enumeration(m_node);
        if (policy.entryFromString) {
            enumeration->FromString(toGc(value.toString()), verify);
        } else {
            IEnumEntry* entry = enumeration->GetEntryByName(toGc(value.toString()));
            if (!entry) {
                if (missingEntry)
                    *missingEntry = true;
                return QVariant();
            }
            enumeration->SetIntValue(toWidth(entry->GetValue(), policy.entryWidth), verify);
        }
        settle(policy.settleMs);
        if (readBack)
            enumeration->GetIntValue(true, true);
        // The combo box shows the entry it wrote; nothing more to keep.
        return QVariant();
    }
    default:
        // A command runs through execute(); categories and registers take
        // no value.
        return QVariant();
    }
}

FeatureRead FeatureValue::read(const ReadPolicy& policy, const char* tag) const noexcept
{
    FeatureRead result;
    if (!m_node)
        return result;
    result.error = guarded(name(), tag, "read", [&] {
        if (policy.checkAccess) {
            result.access = accessMode();
            result.readable = isReadableMode(result.access);
            result.writable = isWritableMode(result.access);
            if (!result.readable)
                return;
        }
        result.value = value(policy);
    });
    return result;
}

FeatureWrite FeatureValue::write(const QVariant& value, const WritePolicy& policy,
                                 const char* tag) const noexcept
{
    FeatureWrite result;
    if (!m_node)
        return result;
    const QString feature = name();
    FeatureKind featureKind = FeatureKind::Other;
    try {
        featureKind = kind();
    } catch (...) {
        // The write below meets the same failure and reports it.
    }
    if (policy.readRollback) {
        // What a refused write returns to; a feature that cannot be read
        // (write-only) has none.
        guarded(feature, tag, "read", [&] {
            switch (featureKind) {
            case FeatureKind::Float:
                result.rollback = styledValue(TextStyle::Tree, FeatureKind::Float,
                                              CFloatPtr(m_node)->GetValue(false, false), IntegerText::Number,
                                              floatDisplay());
                break;
            case FeatureKind::Integer:
            case FeatureKind::Boolean:
            case FeatureKind::String:
                result.rollback = this->value(ReadPolicy());
                break;
            case FeatureKind::Enumeration:
                // The combo box shows the entry; there is no value to return to.
                break;
            default:
                return;
            }
            result.hasRollback = true;
        });
    }
    const GuiWriteWait wait;
    result.error = guarded(feature, tag, "write", [&] {
        if (policy.checkAccess && !isWritableMode(accessMode())) {
            result.writable = false;
            return;
        }
        result.readBack = set(value, policy, &result.missingEntry);
        result.written = true;
    });
    return result;
}

FeatureError FeatureValue::execute(bool verify, const char* tag) const noexcept
{
    const GuiWriteWait wait;
    return guarded(name(), tag, "execute", [&] { CCommandPtr(m_node)->Execute(verify); });
}
