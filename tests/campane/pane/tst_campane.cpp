// The exported CamPane, used as a host uses it: through the shared library
// and its public interface only.

#include "servicesupport.h"
#include "tests.h"

#include <campane.h>

#include <Corvid/CorvidHost.h>

#include <QGridLayout>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace {

// The device id that the pane shows now ("No device" on the default board).
QString shownDeviceId(CamPane* pane)
{
    QStringList shown;
    for (QWidget* board : pane->findChildren<QWidget*>(QStringLiteral("CamBoard"))) {
        if (board->isVisible())
            shown << (board->accessibleName().isEmpty() ? QStringLiteral("No device")
                                                        : board->accessibleName());
    }
    return shown.size() == 1 ? shown.first() : QStringLiteral("<%1 boards shown>").arg(shown.size());
}

} // namespace

class TestCamPane : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetDevices(); }

    void exportsOnlyCamPane();
    void formAndManager();
    void showsTheFocusedDevice();
    void hidingBothTabsHidesThePane_data();
    void hidingBothTabsHidesThePane();
    void defaultModeAndDisableWithAnyValue();
    void destroyedPaneIsNotCalledAgain();

private:
    // A host window holding the pane, shown.
    struct Window
    {
        Window()
        {
            widget.reset(new QWidget);
            widget->resize(700, 500);
            auto* layout = new QVBoxLayout(widget.get());
            pane = new CamPane(widget.get());
            layout->addWidget(pane);
            widget->show();
            settle();
        }
        std::unique_ptr<QWidget> widget;
        CamPane* pane = nullptr;
    };
};

void TestCamPane::exportsOnlyCamPane()
{
    const QString nm = QStandardPaths::findExecutable(QStringLiteral("nm"));
    if (nm.isEmpty())
        QSKIP("nm is not installed");
    QProcess process;
    process.start(
        nm, {QStringLiteral("-D"), QStringLiteral("--defined-only"), QStringLiteral(CAMPANE_SHARED_LIBRARY)});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);

    // Symbols the linker defines in every shared library.
    const QStringList linkerSymbols = {"_edata", "_end", "__bss_start", "_init", "_fini"};
    const QRegularExpression qtTypeInfo(QStringLiteral("^_ZT[IS]\\d+Q"));
    QStringList symbols;
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3)
            continue;
        QString symbol = QString::fromLatin1(fields.at(2));
        symbols << symbol;
        // AddressSanitizer's indicator of an exported global goes with it.
        symbol.remove(QRegularExpression(QStringLiteral("^__odr_asan\\.")));
        if (qtTypeInfo.match(symbol).hasMatch()) {
            // Type information of Qt's own classes, which the sanitizers'
            // vptr checks instantiate: Qt's, not ours.
        } else if (symbol.startsWith(QLatin1String("_Z"))) {
            // Mangled names of the class's members, its vtable, type info and
            // thunks all carry the class name as "7CamPane".
            QVERIFY2(symbol.contains(QLatin1String("7CamPane")), qPrintable(symbol + " is exported"));
        } else {
            QVERIFY2(linkerSymbols.contains(symbol), qPrintable(symbol + " is exported"));
        }
    }
    for (const char* expected :
         {"_ZN7CamPaneC1EP7QWidget", "_ZN7CamPaneD1Ev", "_ZN7CamPane16staticMetaObjectE",
          "_ZN7CamPane22setPanelWidgetVisiableEb", "_ZN7CamPane26setAllDetailWidgetVisiableEb",
          "_ZN7CamPane22setParamterViewDisableE7QString", "_ZN7CamPane21setDefaultCamPaneModeEi",
          "_ZNK7CamPane10metaObjectEv", "_ZN7CamPane11qt_metacastEPKc", "_ZTV7CamPane", "_ZTI7CamPane"})
        QVERIFY2(symbols.contains(QLatin1String(expected)), expected);
}

void TestCamPane::formAndManager()
{
    CamPane pane;
    QCOMPARE(pane.objectName(), QStringLiteral("CamPane"));
    QVERIFY(pane.testAttribute(Qt::WA_TranslucentBackground));
    auto* grid = pane.findChild<QGridLayout*>(QStringLiteral("gridLayout"));
    QVERIFY(grid);
    QCOMPARE(grid->spacing(), 0);
    QCOMPARE(grid->contentsMargins(), QMargins(0, 0, 0, 0));
    auto* column = pane.findChild<QVBoxLayout*>(QStringLiteral("verticalLayout"), Qt::FindDirectChildrenOnly);
    if (!column)
        column = grid->findChild<QVBoxLayout*>(QStringLiteral("verticalLayout"));
    QVERIFY(column);
    QCOMPARE(column->contentsMargins().left(), 0);
    QWidget* manager =
        pane.findChild<QWidget*>(QStringLiteral("CamBoardManager"), Qt::FindDirectChildrenOnly);
    QVERIFY(manager);
    QVERIFY(column->indexOf(manager) >= 0);
    settle();
}

void TestCamPane::showsTheFocusedDevice()
{
    Window window;
    CamPane* pane = window.pane;
    QCOMPARE(shownDeviceId(pane), QStringLiteral("No device"));

    for (const char* id : {kCamera, kSecondCamera}) {
        Corvid::SetFocus(Corvid::FOCUS_CAMERA, id);
        settle();
        QCOMPARE(shownDeviceId(pane), QString(id));
    }
    Corvid::SetFocus(Corvid::FOCUS_CARD, kCard);
    settle();
    QCOMPARE(shownDeviceId(pane), QString(kCard));

    Corvid::SetFocus(Corvid::FOCUS_CAMERA, kCamera);
    settle();
    Corvid::SetDeviceUsable(kCamera, false);
    settle();
    QCOMPARE(shownDeviceId(pane), QStringLiteral("No device"));
}

void TestCamPane::hidingBothTabsHidesThePane_data()
{
    QTest::addColumn<bool>("panel");
    QTest::addColumn<bool>("detail");
    QTest::newRow("both") << true << true;
    QTest::newRow("panel only") << true << false;
    QTest::newRow("attributes only") << false << true;
    QTest::newRow("neither") << false << false;
}

void TestCamPane::hidingBothTabsHidesThePane()
{
    QFETCH(bool, panel);
    QFETCH(bool, detail);
    Window window;
    window.pane->setPanelWidgetVisiable(panel);
    window.pane->setAllDetailWidgetVisiable(detail);
    QCOMPARE(window.pane->isVisible(), panel || detail);
    // The host window itself stays.
    QVERIFY(window.widget->isVisible());

    window.pane->setPanelWidgetVisiable(true);
    QVERIFY(window.pane->isVisible());
    window.pane->setPanelWidgetVisiable(false);
    QCOMPARE(window.pane->isVisible(), detail);
}

void TestCamPane::defaultModeAndDisableWithAnyValue()
{
    Window window;
    for (int mode : {0, 1, 42, -1}) {
        window.pane->setDefaultCamPaneMode(mode);
        QCOMPARE(shownDeviceId(window.pane), QStringLiteral("No device"));
    }
    window.pane->setParamterViewDisable(QStringLiteral("SIM-nothing"));
    window.pane->setParamterViewDisable(QString());
    Corvid::SetFocus(Corvid::FOCUS_CAMERA, kSecondCamera);
    settle();
    window.pane->setParamterViewDisable(kSecondCamera);
    QCOMPARE(shownDeviceId(window.pane), QString(kSecondCamera));
}

void TestCamPane::destroyedPaneIsNotCalledAgain()
{
    {
        Window window;
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

int runCamPaneTests(int argc, char** argv)
{
    TestCamPane test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_campane.moc"
