// camview against hostile GigE Vision devices (tests/fakegige on a loopback
// address): each is refused with its reason printed, camview exits by
// itself (no crash, no hang) and an honest device of the same kind opens.
#include "hostilerows.h"

#include <QProcess>
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
    void device_data();
    void device();

private:
    QTemporaryDir m_config;
};

void TestCamviewHostile::device_data()
{
    addHostileColumns(); // refusal empty: the device opens and its tree is printed
    addHostileRows(sharedHostileCases());
}

void TestCamviewHostile::device()
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

    QProcess camview;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
    camview.setProcessEnvironment(environment);
    camview.start(QStringLiteral(CAMVIEW_EXECUTABLE),
                  {"--no-default-devices", "--camera", kAddress, "--dump-tree", "--wait", "1"});
    // camview ends by itself, whatever the device does.
    QVERIFY(camview.waitForFinished(60000));
    QCOMPARE(camview.exitStatus(), QProcess::NormalExit);
    const QString output = QString::fromUtf8(camview.readAllStandardOutput());
    const QString errors = QString::fromUtf8(camview.readAllStandardError());
    if (refusal.isEmpty()) {
        QCOMPARE(camview.exitCode(), 0);
        QVERIFY2(output.contains("Good: 0"), qPrintable(output + errors));
    } else {
        QCOMPARE(camview.exitCode(), 1);
        QVERIFY2(errors.contains(refusal), qPrintable(errors));
    }
}

QTEST_GUILESS_MAIN(TestCamviewHostile)
#include "tst_camview_hostile.moc"
