// camview against hostile GigE Vision devices (devices/fakegige on a loopback
// address): each is refused with its reason printed, camview exits by
// itself (no crash, no hang) and an honest device of the same kind opens.
#include "camviewrun.h"
#include "hostilerows.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// The fake device's own loopback address: no other test uses it.
const char* const kAddress = "127.0.0.6";

} // namespace

class TestCamviewHostile : public QObject
{
    Q_OBJECT

private slots:
    void device_data()
    {
        addHostileColumns(); // refusal empty: the device opens and its tree is printed
        addHostileRows(sharedHostileCases());
    }

    void device()
    {
        QFETCH(FakeGigeDevice::Misbehaviour, misbehaviour);
        QFETCH(QByteArray, description);
        QFETCH(QString, url);
        QFETCH(QString, refusal);

        FakeGigeDevice fake(kAddress);
        fake.setDescription(description.toStdString(), url.toStdString());
        fake.setMisbehaviour(misbehaviour);
        std::string error;
        QVERIFY2(fake.start(&error), error.c_str());

        // camview ends by itself, whatever the device does.
        const Run result = run({"--no-default-devices", "--camera", kAddress, "--dump-tree", "--wait", "1"},
                               m_config.path());
        const QString output = result.output.join(QLatin1Char('\n'));
        if (refusal.isEmpty()) {
            QCOMPARE(result.exitCode, 0);
            QVERIFY2(output.contains("Good: 0"), qPrintable(output + result.errors));
        } else {
            QCOMPARE(result.exitCode, 1);
            QVERIFY2(result.errors.contains(refusal), qPrintable(result.errors));
        }
    }

private:
    QTemporaryDir m_config;
};

QTEST_GUILESS_MAIN(TestCamviewHostile)
#include "tst_camview_hostile.moc"
