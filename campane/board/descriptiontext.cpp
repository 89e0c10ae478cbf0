#include "descriptiontext.h"

#include "featurevalue.h"

#include <GenApi/GenApi.h>

namespace {

// A device's text as it goes into the pane's HTML: names, descriptions and
// units are the device's data, shown as text, never read as markup.
QString htmlText(const GenICam::gcstring& text)
{
    return fromGc(text).toHtmlEscaped();
}

void appendHeader(QString& text, GenApi::INode& node)
{
    text += QStringLiteral("<span style='color: green;'>%1</span><br>%2<br><br>")
                .arg(htmlText(node.GetName(false)), htmlText(node.GetDescription()));
}

void appendProperties(QString& text, GenApi::INode& node)
{
    static const char* const properties[][2] = {
        {"NodeType", "NodeType:<span style='color: green;'> %1</span><br>"},
        {"NameSpace", "NameSpace:<span style='color: green;'> %1</span><br>"},
        {"Visibility", "Visibility:<span style='color: green;'> %1</span><br>"},
        {"Streamable", "Streamable:<span style='color: green;'> %1</span><br>"},
    };
    // One value string for all four: a property the node lacks leaves the
    // previous property's value in place, and that value is what shows.
    GenICam::gcstring value;
    for (const auto& property : properties) {
        GenICam::gcstring read;
        GenICam::gcstring attribute;
        if (node.GetProperty(property[0], read, attribute))
            value = read;
        text += QString::fromLatin1(property[1]).arg(htmlText(value));
    }
}

void appendUnit(QString& text, const QString& unit)
{
    if (!unit.isEmpty())
        text += QStringLiteral("Unit:<span style='color: green;'> %1</span><br>").arg(unit.toHtmlEscaped());
}

void appendInteger(QString& text, const FeatureValue& integer)
{
    if (!integer.isPlainNumber())
        return;
    const FeatureLimits limits = integer.limits();
    text +=
        QStringLiteral("Min:<span style='color: green;'> %1</span><br>"
                       "Max:<span style='color: green;'> %2</span><br>"
                       "Inc:<span style='color: green;'> %3</span><br>")
            .arg(QString::number(limits.minimum.toLongLong()), QString::number(limits.maximum.toLongLong()),
                 QString::number(limits.increment.toLongLong()));
    appendUnit(text, integer.unit());
}

void appendFloat(QString& text, const FeatureValue& floating)
{
    const FeatureLimits limits = floating.limits(false);
    const QString min = styledValue(TextStyle::Description, FeatureKind::Float, limits.minimum,
                                    IntegerText::Number, floating.floatDisplay())
                            .toString();
    const QString max = styledValue(TextStyle::Description, FeatureKind::Float, limits.maximum,
                                    IntegerText::Number, floating.floatDisplay())
                            .toString();
    text += QStringLiteral("Min:<span style='color: green;'> %1</span><br>"
                           "Max:<span style='color: green;'> %2</span><br>")
                .arg(min, max);
    appendUnit(text, floating.unit());
}

void appendEnumeration(QString& text, const FeatureValue& enumeration)
{
    for (const QString& symbolic : enumeration.entries(false)) {
        const FeatureEntry entry = enumeration.entry(symbolic);
        text += QStringLiteral("<br><span style='color: green;'> %1</span><br>"
                               "Description:<span style='color: green;'> %2</span><br>"
                               "Enum Entry Name:<span style='color: green;'> %3</span><br>"
                               "Enum Entry Value:<span style='color: green;'> %4</span><br>"
                               "NameSpace:<span style='color: green;'> %5</span><br>")
                    .arg(entry.displayName.toHtmlEscaped(), entry.description.toHtmlEscaped(),
                         entry.symbolic.toHtmlEscaped(), entryValueText(entry.value), entry.nameSpace);
    }
}

} // namespace

QString featureDescriptionHtml(GenApi::INode* node)
{
    QString text;
    if (!node)
        return text;
    // Every piece is appended as soon as it is complete, so an exception
    // leaves the text of the pieces before it.
    genApiCall("CamBoard", [&] {
        appendHeader(text, *node);
        appendProperties(text, *node);
        const FeatureValue feature(node);
        switch (feature.kind()) {
        case FeatureKind::Integer:
            appendInteger(text, feature);
            break;
        case FeatureKind::Float:
            appendFloat(text, feature);
            break;
        case FeatureKind::Enumeration:
            appendEnumeration(text, feature);
            break;
        default:
            break;
        }
    });
    return text;
}
