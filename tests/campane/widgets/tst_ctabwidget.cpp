#include "ctabbar.h"
#include "ctabwidget.h"
#include "tests.h"

#include <QtTest>

namespace {

const QColor kGrey(220, 220, 220);
const QColor kGreen(93, 189, 147);

// The colour of the underline of `bar` at x, on its last visible pixel row.
QColor underlineAt(QTabBar* bar, int x)
{
    const QImage image = bar->grab().toImage();
    const int ratio = qRound(image.devicePixelRatio());
    return image.pixelColor(x * ratio, bar->tabRect(0).bottom() * ratio + ratio - 1);
}

} // namespace

class TestCTabWidget : public QObject
{
    Q_OBJECT

private slots:
    void tabsShareTheWidth_data();
    void tabsShareTheWidth();
    void resizingKeepsTabsEqual();
    void currentTabHasShorterGreenUnderline_data();
    void currentTabHasShorterGreenUnderline();
    void tabUnderTheMouseIsUnderlined();
    void clickSelectsTab();
};

static void addTabs(QTabWidget& tabs, int count)
{
    for (int i = 0; i < count; ++i)
        tabs.addTab(new QWidget, QStringLiteral("Tab %1").arg(i));
}

void TestCTabWidget::tabsShareTheWidth_data()
{
    QTest::addColumn<int>("tabs");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("tabWidth");

    QTest::newRow("three in 360") << 3 << 360 << 120;
    QTest::newRow("three in 300") << 3 << 300 << 100;
    QTest::newRow("four in 400") << 4 << 400 << 100;
    QTest::newRow("two in 301") << 2 << 301 << 150;
    QTest::newRow("three in 362") << 3 << 362 << 120;
    QTest::newRow("one") << 1 << 250 << 250;
}

void TestCTabWidget::tabsShareTheWidth()
{
    QFETCH(int, tabs);
    QFETCH(int, width);
    QFETCH(int, tabWidth);

    CTabWidget widget;
    addTabs(widget, tabs);
    widget.resize(width, 200);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));

    QTabBar* bar = widget.tabBar();
    QVERIFY(dynamic_cast<CTabBar*>(bar));
    QCOMPARE(bar->width(), width);
    // The pixels left over by the division go to the tabs, so that they
    // reach the right edge.
    for (int i = 0; i < tabs; ++i) {
        const QRect rect = bar->tabRect(i);
        QCOMPARE(rect.height(), 40);
        QVERIFY(rect.width() - tabWidth >= 0 && rect.width() - tabWidth < tabs);
    }
    QCOMPARE(bar->tabRect(tabs - 1).right(), width - 1);
    if (width % tabs == 0) {
        for (int i = 0; i < tabs; ++i)
            QCOMPARE(bar->tabRect(i), QRect(i * tabWidth, 0, tabWidth, 40));
    }
}

void TestCTabWidget::resizingKeepsTabsEqual()
{
    CTabWidget widget;
    addTabs(widget, 3);
    widget.resize(360, 200);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QCOMPARE(widget.tabBar()->tabRect(2), QRect(240, 0, 120, 40));

    widget.resize(300, 200);
    QTRY_COMPARE(widget.tabBar()->tabRect(2), QRect(200, 0, 100, 40));
    QCOMPARE(widget.tabBar()->width(), 300);

    widget.resize(600, 200);
    QTRY_COMPARE(widget.tabBar()->tabRect(1), QRect(200, 0, 200, 40));
}

void TestCTabWidget::currentTabHasShorterGreenUnderline_data()
{
    QTest::addColumn<int>("current");
    QTest::newRow("first") << 0;
    QTest::newRow("middle") << 1;
    QTest::newRow("last") << 2;
}

void TestCTabWidget::currentTabHasShorterGreenUnderline()
{
    QFETCH(int, current);

    CTabWidget widget;
    addTabs(widget, 3);
    widget.resize(360, 200);
    widget.setCurrentIndex(current);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));

    QTabBar* bar = widget.tabBar();
    for (int i = 0; i < 3; ++i) {
        const int x = bar->tabRect(i).left();
        // The green line runs from a sixth of the width to five sixths
        // (x + 20 to x + 100), with square ends.
        QCOMPARE(underlineAt(bar, x + 5), kGrey);
        QCOMPARE(underlineAt(bar, x + 60), i == current ? kGreen : kGrey);
        QCOMPARE(underlineAt(bar, x + 24), i == current ? kGreen : kGrey);
        QCOMPARE(underlineAt(bar, x + 96), i == current ? kGreen : kGrey);
        QCOMPARE(underlineAt(bar, x + 115), kGrey);
    }
}

void TestCTabWidget::tabUnderTheMouseIsUnderlined()
{
    CTabWidget widget;
    addTabs(widget, 3);
    widget.resize(360, 200);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));

    QTabBar* bar = widget.tabBar();
    QCOMPARE(underlineAt(bar, 180), kGrey);
    QTest::mouseMove(bar, QPoint(180, 20));
    QTRY_COMPARE(underlineAt(bar, 180), kGreen);
    QCOMPARE(underlineAt(bar, 130), kGrey);
    QCOMPARE(widget.currentIndex(), 0);
}

void TestCTabWidget::clickSelectsTab()
{
    CTabWidget widget;
    addTabs(widget, 3);
    widget.resize(360, 200);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));

    QSignalSpy changed(&widget, &QTabWidget::currentChanged);
    QTest::mouseClick(widget.tabBar(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 20));
    QCOMPARE(widget.currentIndex(), 2);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(underlineAt(widget.tabBar(), 300), kGreen);
}

int runCTabWidgetTests(int argc, char** argv)
{
    TestCTabWidget test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ctabwidget.moc"
