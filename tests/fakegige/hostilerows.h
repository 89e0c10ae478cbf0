// Hostile cases as rows of a QtTest data table: misbehaviour, description,
// url and refusal.
#pragma once

#include "hostilecases.h"

#include <QtTest>

Q_DECLARE_METATYPE(FakeGigeDevice::Misbehaviour)

inline void addHostileColumns()
{
    QTest::addColumn<FakeGigeDevice::Misbehaviour>("misbehaviour");
    QTest::addColumn<QByteArray>("description"); // the bytes in the device's memory
    QTest::addColumn<QString>("url");            // empty: where they are
    QTest::addColumn<QString>("refusal");        // empty: the device opens
}

inline void addHostileRows(const std::vector<HostileCase>& cases)
{
    for (const HostileCase& c : cases)
        QTest::newRow(c.name.c_str()) << c.misbehaviour << QByteArray::fromStdString(c.description)
                                      << QString::fromStdString(c.url) << QString::fromStdString(c.refusal);
}
