#include "descriptiontext.h"

#include "genapicall.h"
#include "valueformat.h"

#include <GenApi/GenApi.h>

#include <QLocale>

namespace {

// A device's text as it goes into the pane's HTML: names, descriptions and
// units are the device's data, shown as text, never read as markup.
QString fromGc(const GenICam::gcstring& text)
{
    return QString::fromUtf8(text.c_str(), int(text.size())).toHtmlEscaped();
}

// An entry's numeric value: the shortest text that reads back as the same
// number (entry values are integers mostly, often above a million).
QString numberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString nameSpaceText(GenApi::ENameSpace nameSpace)
{
    switch (nameSpace) {
    case GenApi::Custom:
        return QStringLiteral("Custom");
    case GenApi::Standard:
        return QStringLiteral("Standard");
    case GenApi::_UndefinedNameSpace:
        break;
    }
    return QStringLiteral("_UndefinedNameSpace");
}

void appendHeader(QString& text, GenApi::INode& node)
{
    text += QStringLiteral("<span style='color: green;'>%1</span><br>%2<br><br>")
                .arg(fromGc(node.GetName(false)), fromGc(node.GetDescription()));
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
        text += QString::fromLatin1(property[1]).arg(fromGc(value));
    }
}

void appendUnit(QString& text, const GenICam::gcstring& unit)
{
    if (!unit.empty())
        text += QStringLiteral("Unit:<span style='color: green;'> %1</span><br>").arg(fromGc(unit));
}

void appendInteger(QString& text, GenApi::IInteger& integer)
{
    const GenApi::ERepresentation representation = integer.GetRepresentation();
    if (representation != GenApi::Linear && representation != GenApi::PureNumber)
        return;
    text += QStringLiteral("Min:<span style='color: green;'> %1</span><br>"
                           "Max:<span style='color: green;'> %2</span><br>"
                           "Inc:<span style='color: green;'> %3</span><br>")
                .arg(QString::number(integer.GetMin()), QString::number(integer.GetMax()),
                     QString::number(integer.GetInc()));
    appendUnit(text, integer.GetUnit());
}

void appendFloat(QString& text, GenApi::IFloat& floating)
{
    const QString min = floatText(floating, floating.GetMin());
    const QString max = floatText(floating, floating.GetMax());
    text += QStringLiteral("Min:<span style='color: green;'> %1</span><br>"
                           "Max:<span style='color: green;'> %2</span><br>")
                .arg(min, max);
    appendUnit(text, floating.GetUnit());
}

void appendEnumeration(QString& text, GenApi::IEnumeration& enumeration)
{
    GenApi::StringList_t symbolics;
    enumeration.GetSymbolics(symbolics);
    for (const GenICam::gcstring& symbolic : symbolics) {
        GenApi::CEnumEntryPtr entry = enumeration.GetEntryByName(symbolic);
        GenApi::CNodePtr entryNode = entry->GetNode();
        text += QStringLiteral("<br><span style='color: green;'> %1</span><br>"
                               "Description:<span style='color: green;'> %2</span><br>"
                               "Enum Entry Name:<span style='color: green;'> %3</span><br>"
                               "Enum Entry Value:<span style='color: green;'> %4</span><br>"
                               "NameSpace:<span style='color: green;'> %5</span><br>")
                    .arg(fromGc(entryNode->GetDisplayName()), fromGc(entryNode->GetDescription()),
                         fromGc(entry->GetSymbolic()), numberText(entry->GetNumericValue()),
                         nameSpaceText(entryNode->GetNameSpace()));
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
        switch (node->GetPrincipalInterfaceType()) {
        case GenApi::intfIInteger:
            appendInteger(text, *GenApi::CIntegerPtr(node));
            break;
        case GenApi::intfIFloat:
            appendFloat(text, *GenApi::CFloatPtr(node));
            break;
        case GenApi::intfIEnumeration:
            appendEnumeration(text, *GenApi::CEnumerationPtr(node));
            break;
        default:
            break;
        }
    });
    return text;
}
