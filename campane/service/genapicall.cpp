#include "genapicall.h"

#include <Corvid/Corvid.h>

#include <QLoggingCategory>

namespace {

const char* const kErrorFormat = "An error is raised: file: %s,line no:%d, error info:%s";

} // namespace

void logStdException(const char* tag, const std::exception& e) noexcept
{
    try {
        Corvid::VLogInfo(tag ? tag : "", e.what() ? e.what() : "", 0);
    } catch (...) {
    }
}

void logUnknownException(const char* tag) noexcept
{
    try {
        Corvid::VLogInfo(tag ? tag : "", "unknown exception", 0);
    } catch (...) {
    }
}

void warnGenericException(const QByteArray& nodeName, const GenICam::GenericException& e) noexcept
{
    try {
        // The category lives as long as this call; QLoggingCategory keeps the
        // pointer to its name, which nodeName keeps alive meanwhile.
        const QLoggingCategory category(nodeName.isEmpty() ? "genapi" : nodeName.constData());
        qCWarning(category, kErrorFormat, e.GetSourceFileName(), int(e.GetSourceLine()), e.GetDescription());
    } catch (...) {
    }
}

void debugGenericException(const QByteArray& nodeName, const GenICam::GenericException& e) noexcept
{
    try {
        const QLoggingCategory category(nodeName.isEmpty() ? "genapi" : nodeName.constData());
        qCDebug(category, kErrorFormat, e.GetSourceFileName(), int(e.GetSourceLine()), e.GetDescription());
    } catch (...) {
    }
}

void logRefusedWrite(const char* tag, const QString& name, const GenICam::GenericException& e) noexcept
{
    try {
        Corvid::VLogInfo(
            tag ? tag : "",
            "Set " + name.toStdString() + " value failed, message = " + std::string(e.GetDescription()), 0);
    } catch (...) {
    }
}
