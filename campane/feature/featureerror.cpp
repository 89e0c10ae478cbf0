#include "featureerror.h"

#include "featuretext.h"

#include <Corvid/Corvid.h>
#include <GenApi/DeviceConnection.h>

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QThread>

#include <typeinfo>
#include <utility>

namespace {

// The kind of a GenICam exception, from its type. The exceptions that
// genapi throws are of these types exactly; any other is a GenericException.
const char* genericKindOf(const GenICam::GenericException& e)
{
    static const std::pair<const std::type_info*, const char*> kinds[] = {
        {&typeid(GenICam::AccessException), "AccessException"},
        {&typeid(GenICam::OutOfRangeException), "OutOfRangeException"},
        {&typeid(GenICam::InvalidArgumentException), "InvalidArgumentException"},
        {&typeid(GenICam::TimeoutException), "TimeoutException"},
        {&typeid(GenICam::LogicalErrorException), "LogicalErrorException"},
        {&typeid(GenICam::RuntimeException), "RuntimeException"},
    };
    for (const auto& kind : kinds) {
        if (typeid(e) == *kind.first)
            return kind.second;
    }
    return "GenericException";
}

} // namespace

bool FeatureError::isUnreadable() const
{
    // The access refusal of a node that the device may not read (as opposed
    // to a lost device or a defective description) is worded so by genapi.
    return kind == QLatin1String("AccessException") && text.contains(QLatin1String("Node is not readable"));
}

FeatureError featureError(const std::exception& e, const QString& feature, const QString& operation)
{
    FeatureError error;
    error.feature = feature;
    error.operation = operation;
    if (const auto* generic = dynamic_cast<const GenICam::GenericException*>(&e)) {
        error.kind = QLatin1String(genericKindOf(*generic));
        // A write that timed out may still be taken by the device.
        if (error.kind == QLatin1String("TimeoutException") &&
            (operation == QLatin1String("write") || operation == QLatin1String("execute")))
            error.kind = QLatin1String(FeatureError::kNotConfirmedKind);
        error.text = QString::fromUtf8(generic->GetDescription());
        error.sourceFile = generic->GetSourceFileName();
        error.sourceLine = int(generic->GetSourceLine());
    } else {
        error.kind = QStringLiteral("std::exception");
        error.text = QString::fromUtf8(e.what() ? e.what() : "");
    }
    return error;
}

GuiWriteWait::GuiWriteWait()
{
    const QCoreApplication* application = QCoreApplication::instance();
    if (application && QThread::currentThread() == application->thread())
        m_previous = GenApi::CDeviceConnection::SetThreadWriteWait(kGuiWriteWaitMs);
}

GuiWriteWait::~GuiWriteWait()
{
    if (m_previous >= 0)
        GenApi::CDeviceConnection::SetThreadWriteWait(m_previous);
}

FeatureError unknownFeatureError(const QString& feature, const QString& operation)
{
    FeatureError error;
    error.kind = QStringLiteral("unknown");
    error.feature = feature;
    error.operation = operation;
    error.text = QStringLiteral("unknown exception");
    return error;
}

namespace {

// The pane's chattiest notes (a write the device took, a node the tree could
// not read while it was built) are off unless the logging rules turn them on,
// as camview does for its log: without a host that asks, they are neither
// printed nor handed over.
Q_LOGGING_CATEGORY(lcQuietTree, "campane.tree", QtInfoMsg)
Q_LOGGING_CATEGORY(lcQuietWrite, "campane.write", QtInfoMsg)

bool debugWanted(const QByteArray& tag)
{
    if (tag == lcQuietTree().categoryName())
        return lcQuietTree().isDebugEnabled();
    if (tag == lcQuietWrite().categoryName())
        return lcQuietWrite().isDebugEnabled();
    return true;
}

} // namespace

void reportFeature(const FeatureReport& where, const FeatureError& error, const QString& text) noexcept
{
    try {
        if (where.level < 0 && !debugWanted(where.tag))
            return;
        Corvid::LogRecord record;
        record.tag = where.tag.toStdString();
        record.level = where.level;
        record.device = toStd(where.device);
        record.feature = toStd(error.feature);
        record.operation = toStd(error.operation);
        record.kind = toStd(error.kind);
        record.text = toStd(text);
        Corvid::VLogRecord(record);
    } catch (...) {
    }
}

void reportWritten(const QString& feature, const QString& device) noexcept
{
    try {
        FeatureError written;
        written.kind = QStringLiteral("written");
        written.feature = feature;
        written.operation = QStringLiteral("write");
        reportFeature({QByteArrayLiteral("campane.write"), -1, device}, written,
                      QStringLiteral("Wrote ") + feature);
    } catch (...) {
    }
}

QString refusedWriteText(const FeatureError& error)
{
    return QStringLiteral("Set ") + error.feature + QStringLiteral(" value failed, message = ") + error.text;
}

QString raisedErrorText(const FeatureError& error)
{
    return QStringLiteral("An error is raised: file: %1,line no:%2, error info:%3")
        .arg(QString::fromUtf8(error.sourceFile), QString::number(error.sourceLine), error.text);
}

void warnGenericException(const QString& feature, const GenICam::GenericException& e,
                          const char* operation) noexcept
{
    try {
        const FeatureError error = featureError(e, feature, QLatin1String(operation));
        // The category is the feature's name.
        const QByteArray tag = feature.isEmpty() ? QByteArrayLiteral("genapi") : feature.toUtf8();
        reportFeature({tag, 1, QString()}, error, raisedErrorText(error));
    } catch (...) {
    }
}

void logStdException(const char* tag, const std::exception& e, const QString& feature,
                     const char* operation) noexcept
{
    try {
        const FeatureError error = featureError(e, feature, QLatin1String(operation));
        reportFeature({QByteArray(tag ? tag : ""), 0, QString()}, error, error.text);
    } catch (...) {
    }
}

void logUnknownException(const char* tag, const QString& feature, const char* operation) noexcept
{
    try {
        const FeatureError error = unknownFeatureError(feature, QLatin1String(operation));
        reportFeature({QByteArray(tag ? tag : ""), 0, QString()}, error, error.text);
    } catch (...) {
    }
}
