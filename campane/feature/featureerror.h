#pragma once

#include <Base/GCException.h>

#include <QByteArray>
#include <QString>

#include <exception>
#include <utility>

// Failures of a feature's GenApi calls as records, and the one place that
// logs them.
//
// A FeatureError says what failed (the feature, the operation) and how (the
// kind, taken from the exception's C++ type, and the device's text). The
// callers choose the wording and level of the line that reports it; every
// line goes through reportFeature(), which hands the fields to the camera
// service's log as one record, so that a host reads them instead of parsing
// the text.
struct FeatureError
{
    //! "AccessException", ... "std::exception", "unknown"; empty: no failure.
    //! A write or command whose answer did not come in time (TimeoutException)
    //! is "not-confirmed": the device may still take it.
    QString kind;
    QString feature;   //!< the feature's name
    QString operation; //!< "read", "write", "execute" or "limits"
    QString text;      //!< the device's reason: GetDescription(), what()
    QByteArray sourceFile;
    int sourceLine = 0;

    bool failed() const { return !kind.isEmpty(); }
    // A failure GenICam reported (the device's or GenApi's reason), as
    // opposed to another exception, which is logged where it is caught.
    bool isGeneric() const
    {
        return failed() && kind != QLatin1String("std::exception") && kind != QLatin1String("unknown");
    }
    // Whether the feature could not be read because of its access mode (the
    // tree shows such a value as unavailable): an access refusal that says
    // so, not one of a lost device.
    bool isUnreadable() const;
    bool isNotConfirmed() const { return kind == QLatin1String(kNotConfirmedKind); }

    static constexpr const char* kNotConfirmedKind = "not-confirmed";
};

// The record of an exception that a call on `feature` threw.
FeatureError featureError(const std::exception& e, const QString& feature, const QString& operation);
FeatureError unknownFeatureError(const QString& feature, const QString& operation);

// Where a report goes and at which level: tag is the logging category (a
// class name, a feature's name, "campane.tree", "campane.write"), level as
// the service's log (-1 debug, 0 info, 1 warning), device the device's id
// when the caller knows it.
struct FeatureReport
{
    QByteArray tag;
    int level = 0;
    QString device;
};

// Logs `text` about a feature as one record: tag and level from `where`,
// feature, operation and kind from `error`. Never throws.
void reportFeature(const FeatureReport& where, const FeatureError& error, const QString& text) noexcept;
// A write the device took: kind "written", text "Wrote <feature>", debug in
// "campane.write" (a host clears an earlier refusal of the feature with it).
void reportWritten(const QString& feature, const QString& device = QString()) noexcept;

// "Set <name> value failed, message = <reason>": a write that GenApi refused.
QString refusedWriteText(const FeatureError& error);
// "An error is raised: file: <source file>,line no:<line>, error info:<reason>".
QString raisedErrorText(const FeatureError& error);

// Logs a GenICam exception of `feature` as a warning under the feature's
// name, worded by raisedErrorText().
void warnGenericException(const QString& feature, const GenICam::GenericException& e,
                          const char* operation = "read") noexcept;

// How long a write made on the GUI thread waits for the device's answer: a
// device that stopped answering holds the GUI that long at most, and the
// write is then not confirmed (the device may still take it; what it holds
// is read again once it answers).
constexpr int kGuiWriteWaitMs = 40;

// While it lives, writes made on the calling thread wait at most
// kGuiWriteWaitMs for the device when that thread is the application's (GUI)
// thread. Other threads (settings loads, the camera service) keep waiting the
// full deadline.
class GuiWriteWait
{
public:
    GuiWriteWait();
    ~GuiWriteWait();
    GuiWriteWait(const GuiWriteWait&) = delete;
    GuiWriteWait& operator=(const GuiWriteWait&) = delete;

private:
    int m_previous = -1; //!< the thread's wait before; -1: left alone
};

// Running GenApi calls from Qt code.
//
// GenApi reports every failure by throwing, and no exception may reach the Qt
// event loop. genApiCall() runs one call (usually a lambda holding a few GenApi
// calls that belong together) and turns whatever it throws into an outcome:
//
//  - a GenICam::GenericException goes to the caller's handler, because each
//    caller reports it its own way (a warning under the feature's name, a
//    fallback value, a rollback); without a handler it is dropped silently,
//    which suits calls whose failure the next refresh shows anyway;
//  - any other std::exception is reported at the info level under the tag,
//    the calling class's name ("TreeItem", "CamBoard", ...), with what();
//  - anything else is reported under the tag too.
//
// Nothing leaves genApiCall(): a handler that throws is swallowed as well.
enum class GenApiOutcome
{
    Done,         //!< the call returned normally
    GenericError, //!< a GenICam::GenericException was thrown and handed to the handler
    StdError,     //!< another std::exception was thrown and logged
    UnknownError  //!< something else was thrown and logged
};

// Reports a std::exception that a GenApi call threw: what() under the tag.
void logStdException(const char* tag, const std::exception& e, const QString& feature = QString(),
                     const char* operation = "") noexcept;
// Reports an exception of unknown type under the tag.
void logUnknownException(const char* tag, const QString& feature = QString(),
                         const char* operation = "") noexcept;

struct IgnoreGenericException
{
    void operator()(const GenICam::GenericException&) const noexcept {}
};

template <typename Call, typename OnGenericException = IgnoreGenericException>
GenApiOutcome genApiCall(const char* tag, Call&& call,
                         OnGenericException&& onGenericException = OnGenericException()) noexcept
{
    try {
        std::forward<Call>(call)();
        return GenApiOutcome::Done;
    } catch (const GenICam::GenericException& e) {
        try {
            onGenericException(e);
        } catch (...) {
        }
        return GenApiOutcome::GenericError;
    } catch (const std::exception& e) {
        logStdException(tag, e);
        return GenApiOutcome::StdError;
    } catch (...) {
        logUnknownException(tag);
        return GenApiOutcome::UnknownError;
    }
}
