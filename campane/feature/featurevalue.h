#pragma once

#include "featureerror.h"
#include "featuretext.h"

#include <GenApi/Types.h>

#include <QString>
#include <QStringList>
#include <QVariant>

namespace GenApi {
struct INode;
}

// How wide a value is taken: a QSpinBox holds an int, so the panel keeps the
// low 32 bits of an integer; a new panel editor takes its figures in single
// precision.
enum class IntegerWidth
{
    Full,
    Low32
};
enum class FloatWidth
{
    Double,
    Single
};

// How a value is read. The views read differently on purpose (a tree cell
// reads the cache, a new panel editor reads the device); their ways are named
// in featurepolicy.h.
struct ReadPolicy
{
    bool verify = false;      //!< GetValue's Verify
    bool ignoreCache = false; //!< GetValue's IgnoreCache
    //! The access mode is read first; a feature that cannot be read gives no
    //! value (FeatureRead::readable false).
    bool checkAccess = false;
    IntegerWidth integerWidth = IntegerWidth::Full;
    FloatWidth floatWidth = FloatWidth::Double;
    //! An enumeration's value as ToString() gives it: a value no entry has is
    //! its number, not nothing.
    bool entryAsString = false;
    //! Strings are in the local code page (transport-layer paths come from
    //! the file system), not UTF-8.
    bool localEncoding = false;

    // The same policy with one thing changed, so that a policy reads as the
    // list of its differences: ReadPolicy().fresh().accessChecked().
    ReadPolicy fresh(bool yes = true) const
    {
        ReadPolicy p = *this;
        p.verify = p.ignoreCache = yes;
        return p;
    }
    ReadPolicy accessChecked() const
    {
        ReadPolicy p = *this;
        p.checkAccess = true;
        return p;
    }
    ReadPolicy widths(IntegerWidth integers, FloatWidth floats) const
    {
        ReadPolicy p = *this;
        p.integerWidth = integers;
        p.floatWidth = floats;
        return p;
    }
    ReadPolicy entryText() const
    {
        ReadPolicy p = *this;
        p.entryAsString = true;
        return p;
    }
};

// How a value is written and read back.
struct WritePolicy
{
    bool verify = true;         //!< SetValue's Verify
    unsigned long settleMs = 0; //!< pause after the write, before the read-back
    bool readBack = true;       //!< read the value again past every cache
    bool readRollback = false;  //!< read the value before writing (what a refusal returns to)
    bool checkAccess = false;   //!< write only a writable feature (FeatureWrite::writable)
    IntegerWidth integerWidth = IntegerWidth::Full; //!< of an integer's read-back
    IntegerWidth entryWidth = IntegerWidth::Full;   //!< of an entry's value, looked up by name
    FloatWidth floatWidth = FloatWidth::Double;     //!< of the written float
    //! An enumeration is written through FromString(): an unknown entry is a
    //! refusal. Otherwise it is looked up, and an unknown entry writes
    //! nothing (FeatureWrite::missingEntry).
    bool entryFromString = false;

    // The same policy with one thing changed, as ReadPolicy's.
    WritePolicy settled(unsigned long ms) const
    {
        WritePolicy p = *this;
        p.settleMs = ms;
        return p;
    }
    WritePolicy withRollback() const
    {
        WritePolicy p = *this;
        p.readRollback = true;
        return p;
    }
    WritePolicy accessChecked() const
    {
        WritePolicy p = *this;
        p.checkAccess = true;
        return p;
    }
    WritePolicy withoutReadBack() const
    {
        WritePolicy p = *this;
        p.readBack = false;
        return p;
    }
    WritePolicy widths(IntegerWidth integers, IntegerWidth entries, FloatWidth floats) const
    {
        WritePolicy p = *this;
        p.integerWidth = integers;
        p.entryWidth = entries;
        p.floatWidth = floats;
        return p;
    }
    WritePolicy entryFromText() const
    {
        WritePolicy p = *this;
        p.entryFromString = true;
        return p;
    }
};

struct FeatureRead
{
    QVariant value; //!< qlonglong (int when Low32), double, bool or QString; invalid when none
    GenApi::EAccessMode access = GenApi::NI; //!< read when the policy asks for it
    bool readable = true;
    bool writable = false;
    FeatureError error;
};

struct FeatureLimits
{
    QVariant minimum; //!< qlonglong or double
    QVariant maximum;
    QVariant increment; //!< invalid for a float without increment
};

struct FeatureWrite
{
    bool written = false; //!< the device took the value
    bool writable = true; //!< false when the policy checks the access mode and it refuses
    bool missingEntry = false;
    QVariant readBack;        //!< the value read back, as FeatureRead::value
    QVariant rollback;        //!< the value before the write, when the policy reads it
    bool hasRollback = false; //!< rollback was read (an enumeration's is invalid)
    FeatureError error;
};

// An enumeration's entry as the description pane lists it.
struct FeatureEntry
{
    QString displayName;
    QString description;
    QString symbolic;
    double value = 0;
    QString nameSpace;
};

// A feature's value: the one place where campane turns a node into its typed
// interface. It holds no state but the node and its name; every call goes to
// the device (or GenApi's cache) as its policy says.
//
// The members named like GenApi's calls throw what GenApi throws and are for
// callers that run several calls in one genApiCall(); read(), write() and
// execute() catch everything and give an error record instead.
class FeatureValue
{
public:
    explicit FeatureValue(GenApi::INode* node = nullptr, const QString& name = QString());

    GenApi::INode* node() const { return m_node; }
    bool isValid() const { return m_node != nullptr; }
    // The name given, or the node's own name (GetName(false)).
    QString name() const;

    FeatureKind kind() const;
    GenApi::EAccessMode accessMode() const;
    IntegerText integerText() const;
    FloatDisplay floatDisplay() const;
    // Whether an integer's representation is a plain number (Linear or
    // PureNumber), the integers whose limits mean something to a user.
    bool isPlainNumber() const;
    QString unit() const;

    // The value alone, of an integer, float, boolean, string or enumeration.
    QVariant value(const ReadPolicy& policy) const;
    // The value as `style` writes it (styledValue()).
    QVariant text(TextStyle style, const ReadPolicy& policy) const;
    // A value read before (FeatureRead::value) as `style` writes it.
    QVariant styled(TextStyle style, const QVariant& value) const;
    // Minimum, maximum and (unless left out) increment.
    FeatureLimits limits(bool withIncrement = true) const;
    // An enumeration's entry names, in the description's order; with
    // `availableOnly` only those it can take now.
    QStringList entries(bool availableOnly) const;
    // One of them as the description lists it; throws for a name that is no
    // entry.
    FeatureEntry entry(const QString& symbolic) const;
    // Writes the value as write() does, throwing; returns the read-back. A
    // command is not run here (execute() runs it): it takes no value.
    QVariant set(const QVariant& value, const WritePolicy& policy, bool* missingEntry = nullptr) const;

    // The value and its access mode; a GenICam failure is in the record, any
    // other is logged under `tag` as genApiCall() does.
    FeatureRead read(const ReadPolicy& policy, const char* tag) const noexcept;
    FeatureWrite write(const QVariant& value, const WritePolicy& policy, const char* tag) const noexcept;
    // Runs a command; `verify` as Execute's.
    FeatureError execute(bool verify, const char* tag) const noexcept;

private:
    GenApi::INode* m_node = nullptr;
    QString m_name;
};

// A QSpinBox holds an int: 64-bit values keep their low 32 bits.
int narrowToInt(qint64 value);
// The same for a maximum, except that an all-ones maximum (4294967295, or
// any 64-bit maximum whose low word is all ones) would read as -1 and leave
// no range at all: it becomes the largest int instead.
int narrowMaximumToInt(qint64 value);
bool isReadableMode(GenApi::EAccessMode mode);
bool isWritableMode(GenApi::EAccessMode mode);
