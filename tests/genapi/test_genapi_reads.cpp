// What the read path's shortcuts must keep: a read that ignores the cache
// goes to the device for the value only (its access comes from the cache),
// yet the access follows a write that locks the feature; a written value
// reads back through and around the cache.
#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>

using namespace GenApi;

class TestGenApiReads : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readsAfterWrites_data();
    void readsAfterWrites();

private:
    std::unique_ptr<CDeviceConnection> m_device;
};

void TestGenApiReads::initTestCase()
{
    std::string error;
    m_device = CDeviceConnection::OpenSimulated(CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml", &error);
    QVERIFY2(m_device, error.c_str());
}

void TestGenApiReads::readsAfterWrites_data()
{
    QTest::addColumn<int>("locked");
    QTest::addColumn<int>("width");
    QTest::newRow("unlocked") << 0 << 1024;
    QTest::newRow("locked") << 1 << 2048;
    QTest::newRow("unlocked again") << 0 << 512;
}

void TestGenApiReads::readsAfterWrites()
{
    QFETCH(int, locked);
    QFETCH(int, width);
    INodeMap* map = m_device->GetNodeMap();
    CIntegerPtr widthNode(map->GetNode("Width"));
    CIntegerPtr lock(map->GetNode("TLParamsLocked"));
    QVERIFY(widthNode && lock);
    lock->SetValue(0);
    widthNode->SetValue(width);
    lock->SetValue(locked);
    QCOMPARE(widthNode->GetAccessMode(), locked ? RO : RW);

    m_device->ResetStatistics();
    QCOMPARE(widthNode->GetValue(false, true), int64_t(width));
    QCOMPARE(m_device->GetStatistics().registerReads, uint64_t(1));
    QCOMPARE(widthNode->GetValue(), int64_t(width));
    QCOMPARE(m_device->GetStatistics().registerReads, uint64_t(1));
    if (locked)
        QVERIFY_EXCEPTION_THROWN(widthNode->SetValue(width + 16), GenICam::AccessException);
}

QTEST_GUILESS_MAIN(TestGenApiReads)
#include "test_genapi_reads.moc"
