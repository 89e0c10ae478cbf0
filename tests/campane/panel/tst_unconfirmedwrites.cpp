// A write from the GUI thread to a GigE Vision device that has stopped
// answering (our fake device on 127.0.0.51, frozen), through the feature tree
// and through a panel row: the GUI waits briefly, the record's kind says the
// write is not confirmed (its text is the usual refusal's), and once the
// device answers again the tree and the row show what the device holds: the
// new value when it took the write late, the old one when it refused it.

#include "fakegigeconnection.h"
#include "toolpagewidgetitem.h"
#include "treeitem.h"
#include "treemodel.h"

#include <Corvid/Corvid.h>
#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QAbstractItemModelTester>
#include <QtTest>
#include <QtWidgets>

#include <memory>

using namespace GenApi;

class TestUnconfirmedWrites : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Corvid::SetLogRecordSink([this](const Corvid::LogRecord& record) {
            if (record.operation == "write")
                m_records.append(record);
        });
    }

    void cleanupTestCase() { Corvid::SetLogRecordSink({}); }

    void settlesToTheDevicesValue_data()
    {
        QTest::addColumn<bool>("throughTree");
        QTest::addColumn<bool>("takes");
        QTest::newRow("tree, taken late") << true << true;
        QTest::newRow("tree, refused late") << true << false;
        QTest::newRow("row, taken late") << false << true;
        QTest::newRow("row, refused late") << false << false;
    }

    void settlesToTheDevicesValue()
    {
        QFETCH(bool, throughTree);
        QFETCH(bool, takes);
        FakeGigeDevice fake("127.0.0.51");
        std::string error;
        auto device = openFakeGige(fake, &error);
        QVERIFY2(device, error.c_str());
        INodeMap* map = device->GetNodeMap();
        CIntegerPtr(map->GetNode("Gain"))->SetValue(5);

        TreeModel model({QStringLiteral("Feature"), QStringLiteral("Value")});
        NodeList_t nodes;
        map->GetNodes(nodes);
        model.setupModelData(nodes);
        QAbstractItemModelTester tester(&model);
        const QModelIndex cell =
            model.match(model.index(0, 0), Qt::DisplayRole, QStringLiteral("Gain"), 1, Qt::MatchRecursive)
                .value(0)
                .siblingAtColumn(1);
        ToolPageWidgetItem row;
        row.setupNode({QStringLiteral("Gain"), QStringLiteral("增益")}, {QString(), QString()},
                      map->GetNode("Gain"), false);
        auto* spinBox = qobject_cast<QSpinBox*>(row.widget());
        QVERIFY(cell.isValid() && spinBox);
        QCOMPARE(cell.data().toLongLong(), 5);
        QCOMPARE(spinBox->value(), 5);
        QSignalSpy rowChanged(&row, &ToolPageWidgetItem::valueChanged);

        m_records.clear();
        fake.freeze();
        if (throughTree) {
            QVERIFY(model.setData(cell, qlonglong(9)));
        } else {
            spinBox->setValue(9);
            emit spinBox->editingFinished();
        }
        QCOMPARE(m_records.size(), 1);
        QCOMPARE(QString::fromStdString(m_records.first().kind), QStringLiteral("not-confirmed"));
        const QString refusal = QStringLiteral("Set Gain value failed, message = ");
        QVERIFY2(QString::fromStdString(m_records.first().text)
                     .startsWith(throughTree ? QStringLiteral("Failed to set data for Gain: ") + refusal
                                             : refusal),
                 m_records.first().text.c_str());
        QVERIFY(!device->IsLost());
        // Until the device answers, the old value stays shown.
        QCOMPARE(cell.data().toLongLong(), 5);
        QCOMPARE(spinBox->value(), 5);

        fake.thaw(takes);
        const qlonglong held = takes ? 9 : 5;
        if (throughTree) {
            // The ping waits for the write's answer; the view's next tick then
            // reads the device.
            QVERIFY(device->Ping());
            model.startRefreshTick();
            QCOMPARE(cell.data().toLongLong(), held);
        } else {
            QTRY_COMPARE(rowChanged.count(), 1);
            QCOMPARE(spinBox->value(), held);
        }
        QCOMPARE(qlonglong(fake.registerValue(FakeGigeDevice::kGainAddress)), held);
        QVERIFY(!device->IsLost());
    }

private:
    QVector<Corvid::LogRecord> m_records;
};

QTEST_MAIN(TestUnconfirmedWrites)
#include "tst_unconfirmedwrites.moc"
