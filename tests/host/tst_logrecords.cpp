// The log sink takes the service's and the pane's records: each once, with
// its fields, whatever its text says.

#include "imageview.h"
#include "logsink.h"

#include <Corvid/Corvid.h>

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(LogEntry::Source)

class TestLogRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        LogSink::install();
        qRegisterMetaType<LogEntry::Source>();
    }

    // How each kind of record is kept: a failure (also one below the warning
    // level) is a problem; a write the device took is noted, not kept; other
    // debug records are not kept. The text never decides.
    void recordsAreKeptOnceWithTheirFields_data()
    {
        QTest::addColumn<QString>("tag");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("feature");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<bool>("problem");
        QTest::addColumn<LogEntry::Source>("source");

        const auto pane = LogEntry::Source::Pane;
        const auto service = LogEntry::Source::Service;
        QTest::newRow("tree's refused write") << "campane.tree" << -1 << "SIM-a"
                                              << "Width"
                                              << "write"
                                              << "OutOfRangeException" << true << true << pane;
        QTest::newRow("panel's refused write") << "ToolPageWidgetItem" << 0 << "SIM-a"
                                               << "Gain"
                                               << "write"
                                               << "AccessException" << true << true << pane;
        QTest::newRow("feature's read warning") << "Width" << 1 << ""
                                                << "Width"
                                                << "read"
                                                << "RuntimeException" << true << true << pane;
        QTest::newRow("write the device took") << "campane.write" << -1 << "SIM-a"
                                               << "Width"
                                               << "write"
                                               << "written" << false << false << pane;
        QTest::newRow("debug note") << "campane.tree" << -1 << ""
                                    << ""
                                    << ""
                                    << "" << false << false << pane;
        QTest::newRow("pane's message under a class name") << "CamBoard" << 0 << ""
                                                           << ""
                                                           << ""
                                                           << "" << true << true << pane;
        QTest::newRow("device lost") << "Corvid" << 1 << "SIM-b"
                                     << ""
                                     << ""
                                     << "lost" << true << true << service;
        QTest::newRow("device added") << "Corvid" << 0 << "SIM-b"
                                      << ""
                                      << ""
                                      << "added" << true << false << service;
        QTest::newRow("acquisition's end") << "Corvid" << 1 << "SIM-c"
                                           << ""
                                           << "acquire"
                                           << "reopened" << true << true << service;
    }

    void recordsAreKeptOnceWithTheirFields()
    {
        QFETCH(QString, tag);
        QFETCH(int, level);
        QFETCH(QString, device);
        QFETCH(QString, feature);
        QFETCH(QString, operation);
        QFETCH(QString, kind);
        QFETCH(bool, kept);
        QFETCH(bool, problem);
        QFETCH(LogEntry::Source, source);

        // A text that names another device and another feature: only the
        // fields count.
        const QString text = QStringLiteral("Other of SIM-other: %1 (%2)")
                                 .arg(QString::fromLatin1(QTest::currentDataTag()))
                                 .arg(m_serial++);
        Corvid::LogRecord record;
        record.tag = tag.toStdString();
        record.level = level;
        record.device = device.toStdString();
        record.feature = feature.toStdString();
        record.operation = operation.toStdString();
        record.kind = kind.toStdString();
        record.text = text.toStdString();
        QSignalSpy written(LogSink::instance(), &LogSink::featureWritten);
        Corvid::VLogRecord(record);

        QVector<LogEntry> found;
        for (const LogEntry& entry : LogSink::instance()->entries()) {
            if (entry.text == text)
                found << entry;
        }
        QCOMPARE(found.size(), kept ? 1 : 0);
        if (kind == QLatin1String("written")) {
            QVERIFY(written.wait(1000));
            QCOMPARE(written.first().first().toString(), feature);
        }
        if (!kept)
            return;
        const LogEntry& entry = found.first();
        QCOMPARE(entry.category, tag);
        QCOMPARE(entry.source, source);
        QCOMPARE(entry.device, device);
        QCOMPARE(entry.feature, feature);
        QCOMPARE(entry.operation, operation);
        QCOMPARE(entry.kind, kind);
        QCOMPARE(entry.isProblem(), problem);
        QCOMPARE(entry.isRefusedWriteOf(QStringLiteral("Other")), false);
        QCOMPARE(entry.isRefusedWriteOf(feature), problem && operation == QLatin1String("write"));
        QCOMPARE(LogSink::instance()->lastEntryAbout(device, operation).text, text);
    }

    // camview's own refusals name their device; the text is the one the
    // warning always had.
    void hostMessagesNameTheirDevice()
    {
        ImageView view;
        int roiId = 0;
        bool ok = true;
        QCOMPARE(view.DrawROI("SIM-none", 0, 0, 1, 1, roiId, ok, 0, 0), int(Corvid::RESULT_UNKNOWN_DEVICE));
        const LogEntry entry = LogSink::instance()->entries().last();
        QCOMPARE(entry.text, QStringLiteral("DrawROI refused: no camera \"SIM-none\""));
        QCOMPARE(entry.device, QStringLiteral("SIM-none"));
        QCOMPARE(entry.source, LogEntry::Source::Host);
        QVERIFY(entry.isProblem());
    }

private:
    int m_serial = 0;
};

QTEST_MAIN(TestLogRecords)
#include "tst_logrecords.moc"
