// The log sink takes the service's and the pane's records: each once, with
// its fields, whatever its text says.

#include "imageview.h"
#include "logsink.h"

#include <Corvid/Corvid.h>

#include <QSignalSpy>
#include <QTest>

namespace {

// A record and how the sink keeps it.
struct Case
{
    Corvid::LogRecord record;
    bool kept;
    bool problem;
    LogEntry::Source source;
};

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

Q_DECLARE_METATYPE(Case)

class TestLogRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { LogSink::install(); }

    // How each kind of record is kept: a failure (also one at the info
    // level) is a problem; a write the device took is noted, not kept; debug
    // records are not kept. The text never decides.
    void recordsAreKeptOnceWithTheirFields_data()
    {
        QTest::addColumn<Case>("test");
        const auto pane = LogEntry::Source::Pane;
        const auto service = LogEntry::Source::Service;
        // tag, level, device, feature, operation, kind (the text is made by the test)
        const QVector<QPair<const char*, Case>> cases = {
            {"tree's refused write",
             {{"campane.tree", 0, "SIM-a", "Width", "write", "OutOfRangeException", {}, {}},
              true,
              true,
              pane}},
            {"panel's refused write",
             {{"ToolPageWidgetItem", 0, "SIM-a", "Gain", "write", "AccessException", {}, {}},
              true,
              true,
              pane}},
            {"feature's read warning",
             {{"Width", 1, "", "Width", "read", "RuntimeException", {}, {}}, true, true, pane}},
            {"write the device took",
             {{"campane.write", -1, "SIM-a", "Width", "write", "written", {}, {}}, false, false, pane}},
            {"debug note", {{"campane.tree", -1, "", "", "", "", {}, {}}, false, false, pane}},
            {"unreadable while built",
             {{"campane.tree", -1, "", "Radius", "read", "AccessException", {}, {}}, false, false, pane}},
            {"pane's message under a class name",
             {{"CamBoard", 0, "", "", "", "", {}, {}}, true, true, pane}},
            {"device lost", {{"Corvid", 1, "SIM-b", "", "", "lost", {}, {}}, true, true, service}},
            {"device added", {{"Corvid", 0, "SIM-b", "", "", "added", {}, {}}, true, false, service}},
            {"acquisition's end",
             {{"Corvid", 1, "SIM-c", "", "acquire", "reopened", {}, {}}, true, true, service}},
        };
        for (const auto& [name, test] : cases)
            QTest::newRow(name) << test;
    }

    void recordsAreKeptOnceWithTheirFields()
    {
        QFETCH(Case, test);
        Corvid::LogRecord record = test.record;
        // A text that names another device and another feature: only the
        // fields count.
        const QString text = QStringLiteral("Other of SIM-other: %1 (%2)")
                                 .arg(QString::fromLatin1(QTest::currentDataTag()))
                                 .arg(m_serial++);
        record.text = text.toStdString();
        QSignalSpy written(LogSink::instance(), &LogSink::featureWritten);
        Corvid::VLogRecord(record);

        QVector<LogEntry> found;
        for (const LogEntry& entry : LogSink::instance()->entries()) {
            if (entry.text == text)
                found << entry;
        }
        QCOMPARE(found.size(), test.kept ? 1 : 0);
        if (record.kind == "written") {
            QVERIFY(written.wait(1000));
            QCOMPARE(written.first().first().toString(), fromStd(record.feature));
        }
        if (!test.kept)
            return;
        const LogEntry& entry = found.first();
        QCOMPARE(entry.category, fromStd(record.tag));
        QCOMPARE(entry.source, test.source);
        QCOMPARE(entry.device, fromStd(record.device));
        QCOMPARE(entry.feature, fromStd(record.feature));
        QCOMPARE(entry.operation, fromStd(record.operation));
        QCOMPARE(entry.kind, fromStd(record.kind));
        QCOMPARE(entry.isProblem(), test.problem);
        QVERIFY(!entry.isRefusedWriteOf(QStringLiteral("Other")));
        QCOMPARE(entry.isRefusedWriteOf(entry.feature), test.problem && record.operation == "write");
        QCOMPARE(LogSink::instance()->lastEntryAbout(entry.device, entry.operation).text, text);
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
