// The exported CamPane, used as a host uses it: through the shared library
// and its public interface only. (Following the service's focus, the tabs
// and usability shows in camview's window test, which drives the pane the
// same way.)

#include "servicesupport.h"
#include "tests.h"

#include <campane.h>

#include <Corvid/CorvidHost.h>

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

class TestCamPane : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetDevices(); }

    // Only CamPane's own symbols leave the library; this binary linking
    // against its members proves they are there.
    void exportsOnlyCamPane()
    {
        const QString nm = QStandardPaths::findExecutable(QStringLiteral("nm"));
        if (nm.isEmpty())
            QSKIP("nm is not installed");
        QProcess process;
        process.start(nm, {QStringLiteral("-D"), QStringLiteral("--defined-only"),
                           QStringLiteral(CAMPANE_SHARED_LIBRARY)});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);

        // Symbols the linker defines in every shared library.
        const QStringList linkerSymbols = {"_edata", "_end", "__bss_start", "_init", "_fini"};
        const QRegularExpression qtTypeInfo(QStringLiteral("^_ZT[IS]\\d+Q"));
        const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
        for (const QByteArray& line : lines) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() < 3)
                continue;
            QString symbol = QString::fromLatin1(fields.at(2));
            // AddressSanitizer's indicator of an exported global goes with it.
            symbol.remove(QRegularExpression(QStringLiteral("^__odr_asan\\.")));
            if (qtTypeInfo.match(symbol).hasMatch()) {
                // Type information of Qt's own classes, which the sanitizers'
                // vptr checks instantiate: Qt's, not ours.
            } else if (symbol.startsWith(QLatin1String("_Z"))) {
                // Mangled names of the class's members, its vtable, type info
                // and thunks all carry the class name as "7CamPane".
                QVERIFY2(symbol.contains(QLatin1String("7CamPane")), qPrintable(symbol + " is exported"));
            } else {
                QVERIFY2(linkerSymbols.contains(symbol), qPrintable(symbol + " is exported"));
            }
        }
    }

    void destroyedPaneIsNotCalledAgain()
    {
        {
            HostWindow<CamPane> window;
            Corvid::SetFocus(Corvid::FOCUS_CAMERA, kCamera);
            // Destroyed with the focus change still queued.
        }
        Corvid::SetLanguage("Chinese");
        Corvid::SetDeviceUsable(kCamera, false);
        Corvid::NotifyImport(kCamera);
        int roiId = 0;
        bool status = false;
        runOffGuiThread([&] { Corvid::NotifyROIDraw(kCamera, 0, 0, 5, 5, 1, roiId, status); });
        runOffGuiThread([] { Corvid::RepublishDeviceList(); });
        settle();
    }
};

int runCamPaneTests(int argc, char** argv)
{
    TestCamPane test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_campane.moc"
