#include "valueformat.h"

#include <GenApi/GenApi.h>

#include <QStringList>

#include <algorithm>

IntegerText integerTextOf(GenApi::IInteger& integer, const QString& name)
{
    switch (integer.GetRepresentation()) {
    case GenApi::HexNumber:
        if (name == QLatin1String("GevMACAddress"))
            return IntegerText::Mac;
        if (isIPv4FeatureName(name))
            return IntegerText::IPv4;
        return IntegerText::Hex;
    case GenApi::IPV4Address:
        return IntegerText::IPv4;
    case GenApi::MACAddress:
        return IntegerText::Mac;
    default:
        return IntegerText::Number;
    }
}

bool isIPv4FeatureName(const QString& name)
{
    static const QStringList names = {
        QStringLiteral("GevCurrentIPAddress"),
        QStringLiteral("GevCurrentSubnetMask"),
        QStringLiteral("GevCurrentDefaultGateway"),
        QStringLiteral("GevPersistentIPAddress"),
        QStringLiteral("GevPersistentSubnetMask"),
        QStringLiteral("GevPersistentDefaultGateway"),
        QStringLiteral("GevPrimaryApplicationIPAddress"),
    };
    return names.contains(name);
}

QString formatIPv4(qint64 value)
{
    const quint64 v = quint64(value);
    return QStringLiteral("%1.%2.%3.%4")
        .arg((v >> 24) & 0xff)
        .arg((v >> 16) & 0xff)
        .arg((v >> 8) & 0xff)
        .arg(v & 0xff);
}

QString formatMac(qint64 value)
{
    const quint64 v = quint64(value);
    QStringList octets;
    for (int shift = 40; shift >= 0; shift -= 8)
        octets << QStringLiteral("%1").arg((v >> shift) & 0xff, 2, 16, QLatin1Char('0'));
    return octets.join(QLatin1Char(':')).toUpper();
}

QString formatHex(qint64 value)
{
    return QStringLiteral("0x%1").arg(quint64(value), 0, 16);
}

QString floatText(GenApi::IFloat& floating, double value)
{
    // The precision comes from the description: bounded.
    const int precision = int(std::clamp<int64_t>(floating.GetDisplayPrecision(), 0, 17));
    switch (floating.GetDisplayNotation()) {
    case GenApi::fnFixed:
        return QString::asprintf("%.*f", precision, value);
    case GenApi::fnScientific:
        return QString::asprintf("%.*e", precision, value);
    default:
        return QString::asprintf("%.*g", precision, value);
    }
}

QString deviceValueText(const QVariant& value)
{
    // Floats come as their node's text (floatText) already.
    return value.toString();
}
