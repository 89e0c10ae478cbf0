#pragma once

#include <GenApi/GenApi.h>

#include <QByteArray>
#include <QString>

#include <exception>
#include <utility>

// Running GenApi calls from Qt code.
//
// GenApi reports every failure by throwing, and no exception may reach the Qt
// event loop. genApiCall() runs one call (usually a lambda holding a few GenApi
// calls that belong together) and turns whatever it throws into an outcome:
//
//  - a GenICam::GenericException goes to the caller's handler, because each
//    caller reports it its own way (a Qt warning in the node's logging
//    category, a debug line, a fallback value, a rollback); without a handler
//    it is dropped silently, which suits calls whose failure the next refresh
//    shows anyway;
//  - any other std::exception is logged with Corvid::VLogInfo(tag, what(), 0),
//    the tag being the calling class's name ("TreeItem", "CamBoard", ...);
//  - anything else is logged under the tag too.
//
// Nothing leaves genApiCall(): a handler that throws is swallowed as well.
//
//     int64_t value = 0;
//     const GenApiOutcome outcome = genApiCall("TreeItem", [&] { value = integer->GetValue(); },
//         [&](const GenICam::GenericException& e) { warnGenericException(name, e); });
//     if (outcome != GenApiOutcome::Done)
//         ...
enum class GenApiOutcome
{
    Done,         //!< the call returned normally
    GenericError, //!< a GenICam::GenericException was thrown and handed to the handler
    StdError,     //!< another std::exception was thrown and logged
    UnknownError  //!< something else was thrown and logged
};

// Logs a std::exception that a GenApi call threw: Corvid::VLogInfo(tag, what(), 0).
void logStdException(const char* tag, const std::exception& e) noexcept;
// Logs an exception of unknown type under the tag.
void logUnknownException(const char* tag) noexcept;
// Logs a GenICam exception as a Qt warning whose logging category is the
// node's name: "An error is raised: file: <source file>,line no:<line>,
// error info:<description>".
void warnGenericException(const QByteArray& nodeName, const GenICam::GenericException& e) noexcept;
// The same as a Qt debug message.
void debugGenericException(const QByteArray& nodeName, const GenICam::GenericException& e) noexcept;

// Logs a write that GenApi refused, naming the feature and the device's
// reason: Corvid::VLogInfo(tag, "Set <name> value failed, message = <description>", 0).
void logRefusedWrite(const char* tag, const QString& name, const GenICam::GenericException& e) noexcept;

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
