// What the node layer's tests share: data-table rows, the kind of exception a
// call throws, texts, and a simulated device over one of data/'s descriptions.
#pragma once

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>

#include <functional>
#include <memory>

using namespace GenApi;
using namespace GenICam;

// One row of a data table; string literals go to QString columns.
template <typename... Columns> void row(const char* tag, Columns... columns)
{
    (QTest::newRow(tag) << ... << columns);
}

// The kind of GenICam exception that f throws, "none" when it returns.
inline QString thrownKind(const std::function<void()>& f, QString* description = nullptr)
{
    try {
        f();
    } catch (const GenericException& e) {
        if (description)
            *description = QString::fromUtf8(e.GetDescription());
        if (dynamic_cast<const OutOfRangeException*>(&e))
            return QStringLiteral("OutOfRange");
        if (dynamic_cast<const InvalidArgumentException*>(&e))
            return QStringLiteral("InvalidArgument");
        if (dynamic_cast<const AccessException*>(&e))
            return QStringLiteral("Access");
        if (dynamic_cast<const LogicalErrorException*>(&e))
            return QStringLiteral("LogicalError");
        if (dynamic_cast<const TimeoutException*>(&e))
            return QStringLiteral("Timeout");
        if (dynamic_cast<const RuntimeException*>(&e))
            return QStringLiteral("Runtime");
        return QStringLiteral("Generic");
    } catch (const std::exception& e) {
        if (description)
            *description = QString::fromUtf8(e.what());
        return QStringLiteral("std");
    }
    return QStringLiteral("none");
}

inline QString text(const gcstring& s)
{
    return QString::fromUtf8(s.c_str());
}

inline QStringList texts(const StringList_t& strings)
{
    QStringList list;
    for (const gcstring& s : strings)
        list << text(s);
    return list;
}

//! The device of the test now, over a description of data/, and its node map.
class SimulatedNodes
{
protected:
    //! Replaces the device with one over data/<file>; its node map, or null.
    INodeMap* reopen(const char* file)
    {
        const QString path = QFINDTESTDATA(QStringLiteral("data/") + QLatin1String(file));
        std::string error;
        m_device = CDeviceConnection::OpenSimulated(path.toStdString(), &error);
        if (!m_device)
            qWarning("cannot open %s: %s", qPrintable(path), error.c_str());
        m_map = m_device ? m_device->GetNodeMap() : nullptr;
        return m_map;
    }

    std::unique_ptr<CDeviceConnection> m_device;
    INodeMap* m_map = nullptr;
};
