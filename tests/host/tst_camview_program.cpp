// camview as a script uses it: the program itself run with its command line,
// its dumps, screenshots and settings files, and hostile files and texts.
#include "camviewrun.h"

#include <QtGui>
#include <QtTest>

#include <algorithm>
#include <sys/stat.h>

namespace {

const char* const kCard = "SIM-frame-grabber-card";
const char* const kCamera = "SIM-kvx-slp-camera";
const char* const kSecondCamera = "SIM-sl-camera-dual";
const QString kDevices = QStringLiteral(CAMPANE_DEVICES_DIR);

} // namespace

class TestCamviewProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void screenshotOfTheProgram()
    {
        const QString png = m_dir.filePath(QStringLiteral("camview.png"));
        const Run result = run({"--no-default-devices", "--sim", kDevices + "/kvx-slp-camera.xml", "--sim",
                                kDevices + "/sl-camera-dual.xml", "--focus", kSecondCamera, "--lang", "zh",
                                "--screenshot", png},
                               m_dir.filePath(QStringLiteral("config")), true);
        QVERIFY2(result.exitCode == 0, qPrintable(result.errors));
        QVERIFY(result.output.join(QLatin1Char('\n')).contains(png));
        const QImage image(png);
        QVERIFY(image.width() >= 800 && image.height() >= 500);

        // A bad command line is refused before anything starts; the help needs
        // no screen.
        QCOMPARE(run({"--lang", "fr"}, m_dir.filePath(QStringLiteral("config")), true).exitCode, 2);
        const Run help = run({"--help"}, m_dir.filePath(QStringLiteral("config")));
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.output.join(QLatin1Char('\n')).contains(QLatin1String("--sim-card")));
    }

    // Runs whose output, exit code and errors are checked; among them settings
    // files and device texts as an attacker would craft them (paths that are no
    // files, lines that are no settings, endless reports, a save that cannot read
    // every value, names holding control characters). Every run ends with a clear
    // message, a file it did not finish stays as it was, and nothing raw reaches
    // the terminal.
    void runsOfTheProgram_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("lines"); // printed in this order
        QTest::addColumn<QString>("error");     // a text that stderr holds
        QTest::addColumn<QString>("absent");    // a line not printed
        QTest::addColumn<QString>("keptFile");  // a file that still holds "earlier\n"
        const auto row = [](const char* tag, const QStringList& arguments, int exitCode,
                            const QStringList& lines, const QString& error = {}, const QString& absent = {},
                            const QString& kept = {}) {
            QTest::newRow(tag) << arguments << exitCode << lines << error << absent << kept;
        };
        const auto split = [](const char* text) { return QString::fromUtf8(text).split(QLatin1Char('|')); };

        // The first camera is focused by default; the level is Beginner. Values
        // read as the tree shows them: addresses dotted, MAC addresses in octets.
        const QStringList cameraTree =
            split("KVX_SLP3000|  DeviceControl|    DeviceModelName: KVX-SLP3000|"
                  "    DeviceStatusFlags: 0xff [hidden]|    Width: 2448|        Light1Value: 80|"
                  "      GevMACAddress: 00:11:22:33:44:AA [hidden]|      GevCurrentIPAddress: 192.168.0.1 "
                  "[hidden]");
        row("tree", {"--dump-tree"}, 0, cameraTree, {}, "    DeviceModelName: FGC-2CL");
        row("tree in Chinese", {"--dump-tree", "--lang", "zh"}, 0, cameraTree.mid(2));
        row("tree of a card of --sim-card",
            {"--dump-tree", "--no-default-devices", "--sim-card", kDevices + "/frame-grabber-card.xml",
             "--focus", kCard},
            0, {"    DeviceModelName: FGC-2CL", "    DebounceTime: 10 [hidden]"});
        // A feature whose reading children are features carries its value; a
        // 32-bit float reads as its display precision gives it.
        row("tree of a generic camera",
            {"--dump-tree", "--no-default-devices", "--sim",
             QStringLiteral(CAMPANE_GENAPI_TEST_DATA "/node-real.xml")},
            0,
            split("    Width: 512|      SensorWidth: 2048|    Height: 384|      HeightRaw: 384 [hidden]|"
                  "    Gain: 3.3|    BlackLevel: 0.337|    ChunkWidth: {Not Available}"),
            {}, "    Width");
        // A tree gathered on a worker thread is waited for.
        row("tree of a description of 16,000 nodes",
            {"--dump-tree", "--no-default-devices", "--sim", CAMVIEW_GATHERED_DESCRIPTION}, 0,
            split("Category Root|  Group0|        Group0_0_0_0|          Int00000: 0"));
        row("panel", {"--dump-panel"}, 0,
            split("Shoot|  Trigger Control|    TriggerSoftware: Execute|    Periodic Trigger: off, "
                  "1000 ms|    2D Acquisition Output: GSImage、FrontImage|    2D Image Show: "
                  "GSImage|    RayExpTime: 10000|  Imgage Process|    Denoising: off|Advance|"
                  "    UserSetSave: Execute"),
            {}, "    Radius: 4");
        // Rows hidden for a feature the camera lacks are not printed.
        row("panel of the dual camera in Chinese", {"--dump-panel", "--lang", "zh", "--focus", kSecondCamera},
            0,
            split("拍摄|  触发控制|    2D采集显示: 左2D图|    光机亮度值1: 70|    右光机曝光时间: 12000|    "
                  "搜索半径: 3"),
            {}, "    光机亮度值2: 60");
        row("missing --sim file", {"--dump-tree", "--sim", "/nonexistent/camera.xml"}, 1, {},
            "/nonexistent/camera.xml");
        QFile broken(m_dir.filePath(QStringLiteral("broken.xml")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("<RegisterDescription><Category Name=\"Root\">");
        broken.close();
        row("malformed --sim file", {"--dump-tree", "--sim", broken.fileName()}, 1, {}, broken.fileName());
        // Each step of a headless run in turn; a refused device fails at once
        // (a run that waited for it would outlast the test's patience).
        const QString png = m_dir.filePath(QStringLiteral("steps.png"));
        const QString image = m_dir.filePath(QStringLiteral("image.png"));
        row("screenshot, then tree", {"--dump-tree", "--screenshot", png}, 0,
            {"camview: screenshot written to " + png, "KVX_SLP3000"});
        row("image of the playing camera", {"--play", "--save-image", image}, 0,
            {"camview: image written to " + image});
        row("--focus on a refused description",
            {"--dump-tree", "--sim", broken.fileName(), "--focus", "SIM-broken", "--wait", "600"}, 1, {},
            "Device SIM-broken cannot be used: ");
        row("--focus device never listed",
            {"--dump-tree", "--no-default-devices", "--focus", "SIM-nowhere", "--wait", "1"}, 1, {},
            "SIM-nowhere");

        const QString hostile = QStringLiteral(CAMPANE_HOST_TEST_DATA "/hostile-camera.xml");
        const QStringList hostileCamera{"--no-default-devices", "--sim", hostile, "--focus",
                                        "SIM-hostile-camera"};
        auto file = [this](const char* name, const QByteArray& content) {
            QFile out(m_dir.filePath(QLatin1String(name)));
            if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
                qFatal("cannot write %s", name);
            return out.fileName();
        };
        const QByteArray header("# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n");
        const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        row("load a directory", {"--load-settings", m_dir.path()}, 1, {},
            m_dir.path() + " is a directory, not a settings file");
        row("load a FIFO", {"--load-settings", fifo}, 1, {}, fifo + " is a FIFO, not a settings file");
        row("load a device", {"--load-settings", "/dev/zero"}, 1, {},
            "/dev/zero is a device, not a settings file");
        row("save into a directory", {"--save-settings", m_dir.path()}, 1, {},
            "is a directory, not a settings file. Nothing was saved");
        row("save into a FIFO", {"--save-settings", fifo}, 1, {},
            "is a FIFO, not a settings file. Nothing was saved");
        // No trigger fires, no user set is loaded or saved.
        const QString commands =
            file("commands.txt", header + "TriggerSoftwareReg\t1\nUserSetSaveReg\t1\n"
                                          "UserSetLoadReg\t1\nTriggerSoftware\t1\nWidth\t2000\n");
        row("commands and write-only registers", {"--load-settings", commands, "--dump-tree"}, 1,
            {"    Width: 2000", "    TriggerSoftwareCount: 0 [hidden]"},
            "line 2: TriggerSoftwareReg 1: not a setting");
        QByteArray unknown = header;
        for (int i = 0; i < 600; ++i)
            unknown += "NoSuchFeature" + QByteArray::number(i) + "\t1\n";
        row("report capped", {"--load-settings", file("unknown.txt", unknown)}, 1, {},
            "  and 500 more lines failed");
        const QString kept = file("kept.txt", "earlier\n");
        row("a value the device does not give keeps the earlier file",
            hostileCamera + QStringList{"--save-settings", kept}, 1, {},
            "Could not read 1 of the settings of SIM-hostile-camera: nothing was saved", {}, kept);
        row("names with control characters in the tree", hostileCamera + QStringList{"--dump-tree"}, 0,
            {"    C\\x09D: 2", "    E\\x0aF: 3", "    G\\u009bH: 4"});
    }

    void runsOfTheProgram()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, lines);
        QFETCH(QString, error);
        QFETCH(QString, absent);
        QFETCH(QString, keptFile);
        const Run result = run(arguments, m_dir.filePath(QStringLiteral("config-runs")));
        QTEST(result.exitCode, "exitCode");
        QVERIFY2(result.errors.contains(error), qPrintable(result.errors));
        // At most the first 100 failures are listed.
        QVERIFY(result.errors.count(QLatin1Char('\n')) < 150);
        const int missing = firstNotPrinted(result, lines);
        QVERIFY2(missing < 0, qPrintable(lines.value(missing)));
        QVERIFY(absent.isEmpty() || !result.output.contains(absent));
        const QString printed = result.output.join(QLatin1Char('\n')) + result.errors;
        QVERIFY(std::none_of(printed.begin(), printed.end(), [](QChar c) {
            return (c < QLatin1Char(' ') && c != QLatin1Char('\n')) ||
                   (c.unicode() >= 0x7f && c.unicode() <= 0x9f);
        }));
        if (!keptFile.isEmpty()) {
            QFile file(keptFile);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), QByteArray("earlier\n"));
            QCOMPARE(QDir(m_dir.path()).entryList({"kept.txt*"}, QDir::Files | QDir::Hidden),
                     QStringList{"kept.txt"});
        }
    }

    // Saves the camera's settings, loads a file whose lines come in the wrong
    // order (the tree then shows the loaded values), and one with a bad line
    // (the panel then shows the loaded values).
    void settingsFilesOfTheProgram()
    {
        const QString config = m_dir.filePath(QStringLiteral("config-settings"));
        const QStringList focus{"--focus", kCamera};
        const QString saved = m_dir.filePath(QStringLiteral("saved.txt"));
        QCOMPARE(run(focus + QStringList{"--save-settings", saved}, config).exitCode, 0);
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.startsWith("# {05D8C294-F295-4dfb-9D01-096BD04049F4}\n"));
        QVERIFY(text.contains("\nWidth\t2448\n"));

        QFile edited(m_dir.filePath(QStringLiteral("edited.txt")));
        QVERIFY(edited.open(QIODevice::WriteOnly));
        edited.write(text + "OffsetX\t448\nWidth\t2000\nLight1Value\t33\nRayExpTime\t20000\n");
        edited.close();
        Run result = run(focus + QStringList{"--load-settings", edited.fileName(), "--dump-tree"}, config);
        QCOMPARE(result.exitCode, 0);
        for (const char* line : {"    Width: 2000", "    OffsetX: 448", "        Light1Value: 33"})
            QVERIFY2(result.output.contains(line), line);

        QVERIFY(edited.open(QIODevice::Append));
        edited.write("NoSuchFeature\t1\n");
        edited.close();
        result = run(focus + QStringList{"--load-settings", edited.fileName(), "--dump-panel"}, config);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.errors.contains("NoSuchFeature 1: unknown feature"), qPrintable(result.errors));
        QVERIFY(result.output.contains("    RayExpTime: 20000"));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestCamviewProgram)
#include "tst_camview_program.moc"
