#pragma once

#include <QString>
#include <QVariant>

namespace GenApi {
struct IInteger;
struct IFloat;
} // namespace GenApi

// How the feature tree writes integer values. One place decides it for the
// model's display texts and for the editors, from the node's representation
// and, for the standard GigE Vision address features that devices describe as
// plain hex numbers, from its name.
enum class IntegerText
{
    Number, //!< decimal, edited in a spin box
    Hex,    //!< "0x" and lower-case hex digits
    IPv4,   //!< dotted decimal of the low 32 bits
    Mac     //!< six upper-case hex octets joined by ':'
};

// The form of `integer`, whose node is named `name`. Reads the representation,
// so it may throw what GenApi throws.
IntegerText integerTextOf(GenApi::IInteger& integer, const QString& name);

// True for the seven GigE Vision address features shown as IPv4 addresses
// although their representation is HexNumber.
bool isIPv4FeatureName(const QString& name);

// "a.b.c.d" from bits 31-24, 23-16, 15-8 and 7-0, decimal, no leading zeros.
QString formatIPv4(qint64 value);
// "AA:BB:CC:DD:EE:FF" from bits 47-40 down to 7-0, upper case.
QString formatMac(qint64 value);
// "0x" and the value in base 16 (as an unsigned 64-bit number), lower case,
// no leading zeros.
QString formatHex(qint64 value);

// A float's value as its node shows it, the same text in every view: the
// node's DisplayNotation ("%g" automatic, "%f" fixed, "%e" scientific) with
// its DisplayPrecision (6 when the description gives none), as GenApi writes
// it. Not three decimals of the value in single precision: that showed a
// 32-bit register's noise in one view (3.299999952316284) and cut small
// values in another (0.0001 as 0.000). Reads the notation and precision, so
// it may throw what GenApi throws.
QString floatText(GenApi::IFloat& floating, double value);

// The text the feature tree shows for a value it reads from the device (what
// the delegate paints for a feature that cannot be written, and what the
// model's device-text role gives): the value's text (floats and integers
// come formatted already, by the forms above).
QString deviceValueText(const QVariant& value);
