#pragma once

#include <Base/GCString.h>

#include <QString>
#include <QVariant>

#include <string>

// How the pane writes a feature's value as text. The views do not all write a
// value alike, and each way has a name here (TextStyle) rather than a copy of
// its rule in the view; the texts of every style are kept exactly as users
// know them.

// The kind of a feature: which typed interface its node has.
enum class FeatureKind
{
    None, //!< no node
    Integer,
    Float,
    Boolean,
    Enumeration,
    String,
    Command,
    Category,
    Other //!< registers, ports, entries ...
};

// How an integer is written, from the node's representation and, for the
// standard GigE Vision address features that devices describe as plain hex
// numbers, from its name.
enum class IntegerText
{
    Number, //!< decimal, edited in a spin box
    Hex,    //!< "0x" and lower-case hex digits
    IPv4,   //!< dotted decimal of the low 32 bits
    Mac     //!< six upper-case hex octets joined by ':'
};

// A float node's display: its DisplayNotation and DisplayPrecision.
struct FloatDisplay
{
    enum Notation
    {
        Automatic, //!< "%g"
        Fixed,     //!< "%f"
        Scientific //!< "%e"
    };
    Notation notation = Automatic;
    int precision = 6;
};

// Where a value is shown.
enum class TextStyle
{
    Tree,         //!< the feature tree's value column (an editable value)
    ReadOnlyTree, //!< what the tree paints, in grey, for a value it cannot write
    PanelSpinBox, //!< the panel's double spin box
    Description   //!< the description pane's limits and entry values
};

// The value as `style` shows it, from the value a read gave (qlonglong for
// integers, double for floats, bool, the entry's or the string's text). The
// tree keeps a plain integer a number (its editor is a spin box); every other
// style gives a text.
QVariant styledValue(TextStyle style, FeatureKind kind, const QVariant& value,
                     IntegerText form = IntegerText::Number, const FloatDisplay& display = FloatDisplay());
// The decimals of a float's spin box in `style`; `fine` for the features
// whose values are fractions of one (six decimals in the tree's editor).
int spinBoxDecimals(TextStyle style, bool fine = false);

// True for the seven GigE Vision address features shown as IPv4 addresses
// although their representation is HexNumber.
bool isIPv4FeatureName(const QString& name);
// The form of an integer named `name` whose representation is HexNumber.
IntegerText hexNumberText(const QString& name);

// "a.b.c.d" from bits 31-24, 23-16, 15-8 and 7-0, decimal, no leading zeros.
QString formatIPv4(qint64 value);
// "AA:BB:CC:DD:EE:FF" from bits 47-40 down to 7-0, upper case.
QString formatMac(qint64 value);
// "0x" and the value in base 16 (as an unsigned 64-bit number), lower case,
// no leading zeros.
QString formatHex(qint64 value);
// The integer in its form; a Number in decimal.
QString integerText(qint64 value, IntegerText form);

// A float's value as its node shows it: the node's notation with its
// precision (bounded to 0..17), as GenApi writes it. Not three decimals of
// the value in single precision: that showed a 32-bit register's noise in
// one view (3.299999952316284) and cut small values in another (0.0001 as
// 0.000).
QString floatText(const FloatDisplay& display, double value);
// An enumeration entry's numeric value: the shortest text that reads back
// as the same number (entry values are integers mostly, often above a
// million).
QString entryValueText(double value);

// The text of a value the tree read from the device: what the delegate paints
// for a feature that cannot be written, and what the model's device-text role
// gives (floats and integers come formatted already).
QString deviceValueText(const QVariant& value);

// The conversions between Qt's texts and GenApi's and the service's, UTF-8
// both ways. A GenApi text ends at its first NUL, as C strings do.
QString fromGc(const GenICam::gcstring& text);
GenICam::gcstring toGc(const QString& text);
QString fromStd(const std::string& text);
std::string toStd(const QString& text);
