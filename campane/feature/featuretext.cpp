#include "featuretext.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>

QVariant styledValue(TextStyle style, FeatureKind kind, const QVariant& value, IntegerText form,
                     const FloatDisplay& display)
{
    switch (kind) {
    case FeatureKind::Integer:
        if (style == TextStyle::Tree && form == IntegerText::Number)
            return value.isValid() ? QVariant(value.toLongLong()) : QVariant();
        return value.isValid() ? QVariant(integerText(value.toLongLong(), form)) : QVariant();
    case FeatureKind::Float:
        if (style == TextStyle::PanelSpinBox)
            return value;
        return value.isValid() ? QVariant(floatText(display, value.toDouble())) : QVariant();
    case FeatureKind::Boolean:
        if (!value.isValid())
            return QVariant();
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case FeatureKind::Command:
        return QStringLiteral("{Execute}");
    case FeatureKind::Enumeration:
    case FeatureKind::String:
        return value;
    case FeatureKind::None:
    case FeatureKind::Category:
    case FeatureKind::Other:
        break;
    }
    return QVariant();
}

int spinBoxDecimals(TextStyle style, bool fine)
{
    switch (style) {
    case TextStyle::Tree:
    case TextStyle::ReadOnlyTree:
        return fine ? 6 : 4;
    case TextStyle::PanelSpinBox:
    case TextStyle::Description:
        break;
    }
    // QDoubleSpinBox's own.
    return 2;
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

IntegerText hexNumberText(const QString& name)
{
    if (name == QLatin1String("GevMACAddress"))
        return IntegerText::Mac;
    if (isIPv4FeatureName(name))
        return IntegerText::IPv4;
    return IntegerText::Hex;
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

QString integerText(qint64 value, IntegerText form)
{
    switch (form) {
    case IntegerText::Mac:
        return formatMac(value);
    case IntegerText::IPv4:
        return formatIPv4(value);
    case IntegerText::Hex:
        return formatHex(value);
    case IntegerText::Number:
        break;
    }
    return QString::number(value);
}

QString floatText(const FloatDisplay& display, double value)
{
    // The precision comes from the description: bounded.
    const int precision = std::clamp(display.precision, 0, 17);
    switch (display.notation) {
    case FloatDisplay::Fixed:
        return QString::asprintf("%.*f", precision, value);
    case FloatDisplay::Scientific:
        return QString::asprintf("%.*e", precision, value);
    case FloatDisplay::Automatic:
        break;
    }
    return QString::asprintf("%.*g", precision, value);
}

QString entryValueText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString deviceValueText(const QVariant& value)
{
    // Floats come as their node's text (floatText) already.
    return value.toString();
}

QString fromGc(const GenICam::gcstring& text)
{
    return QString::fromUtf8(text.c_str());
}

GenICam::gcstring toGc(const QString& text)
{
    return GenICam::gcstring(text.toUtf8().constData());
}

QString fromStd(const std::string& text)
{
    return QString::fromUtf8(text.c_str(), int(text.size()));
}

std::string toStd(const QString& text)
{
    return text.toUtf8().toStdString();
}
