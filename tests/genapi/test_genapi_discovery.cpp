// Device discovery: the GigE Vision discovery acknowledge as untrusted input,
// a search that ends at once when cancelled, and the loopback emulator found
// and opened by the address it answered from.
#include "gigeemulator.h"
#include "gvcpdiscovery.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>

#include <cstring>
#include <vector>

using namespace GenApi;

namespace {

//! A well-formed acknowledge: vendor "Acme", model "M1", serial "S-7",
//! MAC 00:11:22:33:44:55, address 10.0.0.9.
std::vector<uint8_t> acknowledge()
{
    std::vector<uint8_t> packet(8 + 0xf8, 0);
    const uint8_t header[] = {0x00, 0x00, 0x00, 0x03, 0x00, 0xf8, 0xff, 0xff};
    std::copy(std::begin(header), std::end(header), packet.begin());
    uint8_t* payload = packet.data() + 8;
    const uint8_t mac[] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    std::copy(std::begin(mac), std::end(mac), payload + 0x0a);
    const uint8_t ip[] = {10, 0, 0, 9};
    std::copy(std::begin(ip), std::end(ip), payload + 0x24);
    std::memcpy(payload + 0x48, "Acme", 4);
    std::memcpy(payload + 0x68, "M1", 2);
    std::memcpy(payload + 0xd8, "S-7", 3);
    return packet;
}

} // namespace

class TestGenApiDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void acknowledgeParsed_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("expected"); // empty: refused

        const std::vector<uint8_t> good = acknowledge();
        const QByteArray base(reinterpret_cast<const char*>(good.data()), int(good.size()));
        QTest::newRow("well formed") << base << "Acme|M1|S-7|00:11:22:33:44:55|10.0.0.9";
        QTest::newRow("short") << base.left(100) << "";
        QByteArray other = base;
        other[3] = 0x81; // a read-register acknowledge
        QTest::newRow("not a discovery acknowledge") << other << "";
        QByteArray failed = base;
        failed[0] = char(0x80);
        QTest::newRow("error status") << failed << "";
        // Fields filled to the last byte, control characters, no serial.
        QByteArray crafted = base;
        crafted.replace(8 + 0x48, 32, QByteArray(32, 'V'));
        crafted[8 + 0x68 + 1] = '\n';
        crafted.replace(8 + 0xd8, 16, QByteArray(16, '\0'));
        QTest::newRow("crafted fields")
            << crafted << QString(32, 'V') + "|M|00:11:22:33:44:55|00:11:22:33:44:55|10.0.0.9";
    }

    void acknowledgeParsed()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QString, expected);
        Internal::GvcpAnnouncement a;
        const bool parsed = Internal::parseDiscoveryAck(
            reinterpret_cast<const uint8_t*>(datagram.constData()), size_t(datagram.size()), &a);
        QCOMPARE(parsed, !expected.isEmpty());
        if (parsed)
            QCOMPARE(QString::fromStdString(a.vendor + "|" + a.model + "|" + a.serial + "|" + a.mac + "|" +
                                            a.address),
                     expected);
    }

    void cancelledSearchEndsAtOnce()
    {
        // The search asks before every slice of its one-second window; the
        // first "cancelled" ends it, and it is not asked again.
        int asked = 0;
        CDeviceConnection::Discover([&] { return ++asked == 3; });
        QCOMPARE(asked, 3);
    }

    void emulatorFoundAndOpenedByAddress()
    {
        if (GigeEmulator::binary().isEmpty())
            QSKIP("arv-fake-gv-camera-0.8 is not installed (package aravis-tools)");
        GigeEmulator emulator;
        QString error;
        auto started = emulator.start(QStringLiteral(CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml"), &error);
        QVERIFY2(started, qPrintable(error));
        started.reset();

        std::vector<DeviceDescriptor> found;
        for (int round = 0; round < 5 && found.empty(); ++round) {
            for (DeviceDescriptor& d : CDeviceConnection::Discover()) {
                if (d.address == "127.0.0.1")
                    found.push_back(d);
            }
        }
        QCOMPARE(int(found.size()), 1);
        const DeviceDescriptor& d = found.front();
        QCOMPARE(d.protocol, std::string("GigEVision"));
        // The id Aravis itself gives the emulator.
        QCOMPARE(d.id, std::string("Aravis-Fake-GV01"));
        std::string reason;
        auto device = CDeviceConnection::OpenAravis(d.address, &reason);
        QVERIFY2(device, reason.c_str());
    }
};

QTEST_GUILESS_MAIN(TestGenApiDiscovery)
#include "test_genapi_discovery.moc"
