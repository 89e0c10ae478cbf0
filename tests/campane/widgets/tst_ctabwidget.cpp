#include "ctabbar.h"
#include "ctabwidget.h"
#include "shots.h"

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

bool showTabs(CTabWidget& widget, int count, int width)
{
    for (int i = 0; i < count; ++i)
        widget.addTab(new QWidget, QStringLiteral("Tab %1").arg(i));
    widget.resize(width, 200);
    widget.show();
    return QTest::qWaitForWindowExposed(&widget);
}

} // namespace

class TestCTabWidget : public QObject
{
    Q_OBJECT

private slots:
    void tabsShareTheWidth_data()
    {
        QTest::addColumn<int>("tabs");
        QTest::addColumn<int>("shownAt");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("tabWidth");

        QTest::newRow("three in 360") << 3 << 360 << 360 << 120;
        QTest::newRow("three, 360 to 300") << 3 << 360 << 300 << 100;
        QTest::newRow("three, 300 to 362") << 3 << 300 << 362 << 120;
        QTest::newRow("two in 301") << 2 << 301 << 301 << 150;
        QTest::newRow("one") << 1 << 250 << 250 << 250;
    }

    void tabsShareTheWidth()
    {
        QFETCH(int, tabs);
        QFETCH(int, shownAt);
        QFETCH(int, width);
        QFETCH(int, tabWidth);

        CTabWidget widget;
        QVERIFY(showTabs(widget, tabs, shownAt));
        widget.resize(width, 200);
        QTabBar* bar = widget.tabBar();
        QVERIFY(dynamic_cast<CTabBar*>(bar));
        // The pixels left over by the division go to the tabs, so that they
        // reach the right edge.
        QTRY_COMPARE(bar->tabRect(tabs - 1).right(), width - 1);
        QCOMPARE(bar->width(), width);
        for (int i = 0; i < tabs; ++i) {
            const QRect rect = bar->tabRect(i);
            QCOMPARE(rect.height(), 40);
            QVERIFY(rect.width() - tabWidth >= 0 && rect.width() - tabWidth < tabs);
            if (width % tabs == 0)
                QCOMPARE(rect, QRect(i * tabWidth, 0, tabWidth, 40));
        }
    }

    void underlineMarksCurrentAndHoveredTab_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("hovered"); // -1: the pointer is elsewhere
        QTest::addColumn<int>("clicked"); // -1: no click

        QTest::newRow("middle") << 1 << -1 << -1;
        QTest::newRow("first, pointer on the middle") << 0 << 1 << -1;
        QTest::newRow("click on the last") << 0 << -1 << 2;
    }

    void underlineMarksCurrentAndHoveredTab()
    {
        QFETCH(int, current);
        QFETCH(int, hovered);
        QFETCH(int, clicked);

        CTabWidget widget;
        QVERIFY(showTabs(widget, 3, 360));
        widget.setCurrentIndex(current);
        QTabBar* bar = widget.tabBar();
        QSignalSpy changed(&widget, &QTabWidget::currentChanged);
        if (hovered >= 0) {
            QTest::mouseMove(bar, bar->tabRect(hovered).center());
            QTRY_COMPARE(underlineAt(bar, bar->tabRect(hovered).center().x()), kGreen);
        } else {
            // Qt 6 hovers the tab under the pointer as soon as the window
            // shows (the pointer starts at the window's corner): move it
            // across the bar and off it, onto the page.
            QTest::mouseMove(bar, bar->tabRect(0).center());
            QTest::mouseMove(&widget, QPoint(widget.width() / 2, widget.height() - 10));
            QTRY_VERIFY(!bar->underMouse());
        }
        if (clicked >= 0) {
            QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(clicked).center());
            QCOMPARE(changed.count(), 1);
            current = clicked;
        }
        QCOMPARE(widget.currentIndex(), current);

        for (int i = 0; i < 3; ++i) {
            const int x = bar->tabRect(i).left();
            const QColor line = i == current || i == hovered ? kGreen : kGrey;
            // The green line runs from a sixth of the width to five sixths
            // (x + 20 to x + 100), with square ends.
            QCOMPARE(underlineAt(bar, x + 5), kGrey);
            QCOMPARE(underlineAt(bar, x + 24), line);
            QCOMPARE(underlineAt(bar, x + 60), line);
            QCOMPARE(underlineAt(bar, x + 96), line);
            QCOMPARE(underlineAt(bar, x + 115), kGrey);
        }
        keepShot(&widget, QStringLiteral("ctabwidget-%1").arg(QTest::currentDataTag()));
    }
};

QTEST_MAIN(TestCTabWidget)
#include "tst_ctabwidget.moc"
