#include "ccombobox.h"
#include "customitemdelegate.h"
#include "tests.h"

#include <QAbstractItemModelTester>
#include <QFrame>
#include <QListView>
#include <QToolTip>
#include <QtTest>

class TestCComboBox : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void placeholderIsInvisibleAndCurrent();
    void modelPassesTester();
    void tickingEmitsIndexAndState_data();
    void tickingEmitsIndexAndState();
    void popupStaysOpenWhileTicking();
    void pressOutsideClosesPopupOnce();
    void escapeClosesPopup();
    void textJoinsTickedEntries_data();
    void textJoinsTickedEntries();
    void tooWideTextIsElided();
    void setItemCheckedIsSilent();
    void queries();
    void clearAndRefill();
    void toolTipFollowsTheMouse();
    void delegateReportsLeftPressesOnly();

private:
    QListView* openPopup();
    void clickEntry(int row);

    QWidget* m_window = nullptr;
    CComboBox* m_box = nullptr;
};

void TestCComboBox::init()
{
    m_window = new QWidget;
    m_window->resize(400, 300);
    m_box = new CComboBox(m_window);
    m_box->setGeometry(10, 10, 300, 34);
    m_box->addItem("A", false, "a");
    m_box->addItem("B", false, "b");
    m_box->addItem("C", false, "c");
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestCComboBox::cleanup()
{
    delete m_window;
    m_window = nullptr;
    m_box = nullptr;
}

QListView* TestCComboBox::openPopup()
{
    m_box->showPopup();
    auto* view = qobject_cast<QListView*>(m_box->view());
    if (view && !QTest::qWaitForWindowExposed(view->window()))
        return nullptr;
    return view;
}

// A click on an entry of the open list, as the user makes it: the mouse moves
// there first (the list follows the mouse), then presses and releases.
void TestCComboBox::clickEntry(int row)
{
    QListView* view = qobject_cast<QListView*>(m_box->view());
    const QPoint at = view->visualRect(m_box->model()->index(row, 0)).center();
    QWindow* popup = view->window()->windowHandle();
    const QPoint inPopup = popup->mapFromGlobal(view->viewport()->mapToGlobal(at));
    QTest::mouseMove(popup, inPopup);
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, inPopup);
}

void TestCComboBox::placeholderIsInvisibleAndCurrent()
{
    QCOMPARE(m_box->count(), 4);
    QCOMPARE(m_box->currentIndex(), 0);
    QCOMPARE(m_box->currentText(), QString());
    QListView* view = openPopup();
    QVERIFY(view);
    QCOMPARE(view->visualRect(m_box->model()->index(0, 0)).height(), 0);
    QVERIFY(view->visualRect(m_box->model()->index(1, 0)).height() > 0);

    clickEntry(2);
    QCOMPARE(m_box->currentIndex(), 0);
    QCOMPARE(m_box->items().first(), qMakePair(QString(), false));
}

void TestCComboBox::modelPassesTester()
{
    QAbstractItemModelTester tester(m_box->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_box->addItem("D", true, "d");
    m_box->setItemChecked(1, true);
    m_box->clear();
    m_box->addItem(QString());
    m_box->addItem("E", true, "e");
}

void TestCComboBox::tickingEmitsIndexAndState_data()
{
    QTest::addColumn<QList<int>>("clickedRows");
    QTest::addColumn<QList<int>>("indexes");
    QTest::addColumn<QList<bool>>("states");

    QTest::newRow("first entry on") << QList<int>{1} << QList<int>{0} << QList<bool>{true};
    QTest::newRow("first entry on and off")
        << QList<int>{1, 1} << QList<int>{0, 0} << QList<bool>{true, false};
    QTest::newRow("two entries") << QList<int>{3, 1} << QList<int>{2, 0} << QList<bool>{true, true};
}

void TestCComboBox::tickingEmitsIndexAndState()
{
    QFETCH(QList<int>, clickedRows);
    QFETCH(QList<int>, indexes);
    QFETCH(QList<bool>, states);

    QSignalSpy changed(m_box, &CComboBox::itemCheckedStatusChanged);
    openPopup();
    for (int row : clickedRows)
        clickEntry(row);
    QCOMPARE(changed.count(), indexes.count());
    for (int i = 0; i < changed.count(); ++i) {
        QCOMPARE(changed.at(i).at(0).toInt(), indexes.at(i));
        QCOMPARE(changed.at(i).at(1).toBool(), states.at(i));
    }
}

void TestCComboBox::popupStaysOpenWhileTicking()
{
    QSignalSpy shown(m_box, &CComboBox::showPopupEvent);
    QSignalSpy hidden(m_box, &CComboBox::hidePopupEvent);
    QListView* view = openPopup();
    QCOMPARE(shown.count(), 1);
    clickEntry(1);
    clickEntry(2);
    // A quick second click on an entry ticks it off again.
    // Delivered through the window, so that the toolkit itself makes the
    // second press a double click.
    const QPoint at = view->visualRect(m_box->model()->index(3, 0)).center();
    QWindow* popup = view->window()->windowHandle();
    QTest::mouseDClick(popup, Qt::LeftButton, Qt::NoModifier,
                       popup->mapFromGlobal(view->viewport()->mapToGlobal(at)));
    QVERIFY(view->isVisible());
    QCOMPARE(hidden.count(), 0);
    QCOMPARE(m_box->checkedIndexes(), (QList<int>{1, 2}));
}

void TestCComboBox::pressOutsideClosesPopupOnce()
{
    QSignalSpy hidden(m_box, &CComboBox::hidePopupEvent);
    QListView* view = openPopup();
    clickEntry(1);
    // A press on the window below, far from the list; the open list takes
    // it, as it takes every press.
    QTest::mousePress(m_window->windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(390, 290));
    QTRY_VERIFY(!view->isVisible());
    QCOMPARE(hidden.count(), 1);
    QCOMPARE(m_box->checkedIndexes(), QList<int>{1});

    // Opened again, it stays open until the next press outside.
    openPopup();
    clickEntry(2);
    QVERIFY(view->isVisible());
    QCOMPARE(hidden.count(), 1);
}

void TestCComboBox::escapeClosesPopup()
{
    QSignalSpy hidden(m_box, &CComboBox::hidePopupEvent);
    QListView* view = openPopup();
    clickEntry(1);
    QTest::keyClick(view, Qt::Key_Escape);
    QTRY_VERIFY(!view->isVisible());
    QCOMPARE(hidden.count(), 1);
}

void TestCComboBox::textJoinsTickedEntries_data()
{
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<QString>("text");

    QTest::newRow("none") << QList<int>{} << QString();
    QTest::newRow("one") << QList<int>{2} << "B";
    QTest::newRow("A and C") << QList<int>{1, 3} << QStringLiteral("A、C");
    QTest::newRow("row order, not tick order") << QList<int>{3, 1} << QStringLiteral("A、C");
    QTest::newRow("all") << QList<int>{1, 2, 3} << QStringLiteral("A、B、C");
}

void TestCComboBox::textJoinsTickedEntries()
{
    QFETCH(QList<int>, ticked);
    QFETCH(QString, text);

    openPopup();
    for (int row : ticked)
        clickEntry(row);
    QCOMPARE(m_box->text(), text);
    QCOMPARE(m_box->displayText(), text);
}

void TestCComboBox::tooWideTextIsElided()
{
    m_box->clear();
    m_box->addItem(QString());
    const QStringList kinds{"2D Left", "2D Right", "Left Streak", "Right Streak", "Quality Image"};
    for (const QString& kind : kinds)
        m_box->addItem(kind, true, kind);
    const QString full = kinds.join(QChar(0x3001));
    QCOMPARE(m_box->text(), full);

    const QFontMetrics metrics(m_box->font());
    m_box->resize(metrics.horizontalAdvance(full) + 25, 34);
    QCOMPARE(m_box->displayText(), full);

    m_box->resize(metrics.horizontalAdvance(full) + 24, 34);
    QString shown = m_box->displayText();
    QVERIFY(shown.endsWith(QChar(0x2026)));
    QVERIFY(metrics.horizontalAdvance(shown) <= m_box->width() - 25);

    m_box->resize(150, 34);
    shown = m_box->displayText();
    QVERIFY2(shown.startsWith("2D Left") && shown.endsWith(QChar(0x2026)), qPrintable(shown));
    QVERIFY(metrics.horizontalAdvance(shown) <= 125);
    // The tool tip keeps the whole text.
    QCOMPARE(m_box->text(), full);
}

void TestCComboBox::setItemCheckedIsSilent()
{
    QSignalSpy changed(m_box, &CComboBox::itemCheckedStatusChanged);
    m_box->setItemChecked(2, true);
    QCOMPARE(m_box->text(), "B");
    m_box->setItemChecked(2, true); // no change
    m_box->setItemChecked(3, true);
    QCOMPARE(m_box->text(), QStringLiteral("B、C"));
    m_box->setItemChecked(2, false);
    QCOMPARE(m_box->text(), "C");
    m_box->setItemChecked(9, true); // no such row
    m_box->setItemChecked(-1, true);
    QCOMPARE(m_box->checkedIndexes(), QList<int>{3});
    QCOMPARE(changed.count(), 0);
}

void TestCComboBox::queries()
{
    m_box->addItem("D", true, 42);
    m_box->setItemChecked(1, true);
    const QList<QPair<QString, bool>> expected{
        {QString(), false}, {"A", true}, {"B", false}, {"C", false}, {"D", true}};
    QCOMPARE(m_box->items(), expected);
    QCOMPARE(m_box->checkedIndexes(), (QList<int>{1, 4}));
    QCOMPARE(m_box->checkedData(), (QStringList{"a", "42"}));
}

void TestCComboBox::clearAndRefill()
{
    m_box->setItemChecked(2, true);
    const auto items = m_box->items();
    m_box->clear();
    QCOMPARE(m_box->count(), 0);
    QCOMPARE(m_box->currentIndex(), -1);
    QCOMPARE(m_box->displayText(), QString());

    for (const auto& item : items)
        m_box->addItem(item.first, item.second, item.first);
    QCOMPARE(m_box->items(), items);
    QCOMPARE(m_box->currentIndex(), 0);
    QCOMPARE(m_box->displayText(), "B");
    QListView* view = openPopup();
    QCOMPARE(view->visualRect(m_box->model()->index(0, 0)).height(), 0);
}

void TestCComboBox::toolTipFollowsTheMouse()
{
    m_box->setItemChecked(1, true);
    m_box->setItemChecked(3, true);

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(m_box, &enter);
    QVERIFY(!QToolTip::isVisible()); // off until asked for

    m_box->setShowToolTip(true);
    QApplication::sendEvent(m_box, &enter);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("A、C"));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(m_box, &leave);
    QTRY_VERIFY(!QToolTip::isVisible());
}

void TestCComboBox::delegateReportsLeftPressesOnly()
{
    auto* delegate = qobject_cast<CustomItemDelegate*>(m_box->itemDelegate());
    QVERIFY(delegate);
    QListView* view = openPopup();
    const QModelIndex entry = m_box->model()->index(1, 0);
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.rect = view->visualRect(entry);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    QSignalSpy pressed(delegate, &CustomItemDelegate::pressed);

    // Releases and right presses anywhere on the entry, its check box
    // included, leave the tick to the press.
    for (int x = option.rect.left(); x <= option.rect.right(); x += 2) {
        const QPoint at(x, option.rect.center().y());
        QMouseEvent release(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        delegate->editorEvent(&release, m_box->model(), option, entry);
        QMouseEvent right(QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        delegate->editorEvent(&right, m_box->model(), option, entry);
    }
    QCOMPARE(pressed.count(), 0);
    QCOMPARE(m_box->checkedIndexes(), QList<int>{});

    QMouseEvent press(QEvent::MouseButtonPress, option.rect.center(), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QVERIFY(delegate->editorEvent(&press, m_box->model(), option, entry));
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(pressed.first().first().toModelIndex(), entry);
    QMouseEvent outside(QEvent::MouseButtonPress, option.rect.bottomRight() + QPoint(5, 5), Qt::LeftButton,
                        Qt::LeftButton, Qt::NoModifier);
    delegate->editorEvent(&outside, m_box->model(), option, entry);
    QCOMPARE(pressed.count(), 1);
}

int runCComboBoxTests(int argc, char** argv)
{
    TestCComboBox test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ccombobox.moc"
