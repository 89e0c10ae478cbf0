// Device discovery: the GigE Vision discovery acknowledge as untrusted input,
// and a search that ends at once when cancelled. (The loopback emulator found
// by discovery and opened by its address: the camera service's tests.)
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
};

QTEST_GUILESS_MAIN(TestGenApiDiscovery)
#include "test_genapi_discovery.moc"
