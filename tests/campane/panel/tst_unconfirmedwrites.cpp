// A write from the GUI thread to a GigE Vision device that has stopped
// answering (our fake device on 127.0.0.51, frozen), through the feature tree,
// a panel row and the camera service: the GUI waits briefly, the record's kind
// says the write is not confirmed (its text is the usual refusal's), and once
// the device answers again the tree, the row and the service show what the
// device holds: the new value when it took the write late, the old one when it
// refused it.

#include "fakegigeconnection.h"
#include "toolpagewidgetitem.h"
#include "treeitem.h"
#include "treemodel.h"

#include <Corvid/Corvid.h>
#include <Corvid/CorvidHost.h>
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
        Corvid::ServiceOptions options;
        options.defaultDevices = false;
        options.settingsFile = m_settings.filePath(QStringLiteral("settings.ini")).toStdString();
        QCOMPARE(Corvid::StartService(options), 0);
        Corvid::SetLogRecordSink([this](const Corvid::LogRecord& record) {
            if (record.operation == "write")
                m_records.append(record);
        });
    }

    void cleanupTestCase()
    {
        Corvid::SetLogRecordSink({});
        Corvid::StopService();
    }

    void settlesToTheDevicesValue_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<bool>("takes");
        for (const char* route : {"tree", "row", "service"}) {
            QTest::addRow("%s, taken late", route) << QString::fromLatin1(route) << true;
            QTest::addRow("%s, refused late", route) << QString::fromLatin1(route) << false;
        }
    }

    void settlesToTheDevicesValue()
    {
        QFETCH(QString, route);
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
        const std::string id =
            route == QLatin1String("service") ? Corvid::AddAravisCamera(fake.address()) : "";

        m_records.clear();
        fake.freeze();
        QString said = QStringLiteral("Set Gain value failed, message = ");
        if (route == QLatin1String("tree")) {
            QVERIFY(model.setData(cell, qlonglong(9)));
            said.prepend(QStringLiteral("Failed to set data for Gain: "));
        } else if (route == QLatin1String("row")) {
            spinBox->setValue(9);
            emit spinBox->editingFinished();
        } else {
            QCOMPARE(Corvid::SetCameraNodeValue(id, "Gain", "9"), int(Corvid::RESULT_DEVICE_ERROR));
            said = QStringLiteral("Set Gain of %1 to \"9\" failed: ").arg(QString::fromStdString(id));
        }
        QCOMPARE(m_records.size(), 1);
        QCOMPARE(QString::fromStdString(m_records.first().kind), QStringLiteral("not-confirmed"));
        QVERIFY2(QString::fromStdString(m_records.first().text).startsWith(said),
                 m_records.first().text.c_str());
        QVERIFY(!device->IsLost());
        // Until the device answers, the old value stays shown.
        QCOMPARE(cell.data().toLongLong(), 5);
        QCOMPARE(spinBox->value(), 5);

        fake.thaw(takes);
        const qlonglong held = takes ? 9 : 5;
        if (route == QLatin1String("tree")) {
            // The ping waits for the write's answer; the view's next tick then
            // reads the device.
            QVERIFY(device->Ping());
            model.startRefreshTick();
            QCOMPARE(cell.data().toLongLong(), held);
        } else if (route == QLatin1String("row")) {
            QTRY_COMPARE(rowChanged.count(), 1);
            QCOMPARE(spinBox->value(), held);
        } else {
            std::string text;
            QTRY_VERIFY(Corvid::GetCameraNodeValue(id, "Gain", text) == Corvid::RESULT_OK);
            QCOMPARE(QString::fromStdString(text), QString::number(held));
            Corvid::RemoveDevice(id);
        }
        QCOMPARE(qlonglong(fake.registerValue(FakeGigeDevice::kGainAddress)), held);
        QVERIFY(!device->IsLost());
    }

private:
    QTemporaryDir m_settings;
    QVector<Corvid::LogRecord> m_records;
};

QTEST_MAIN(TestUnconfirmedWrites)
#include "tst_unconfirmedwrites.moc"
