#include "ccombobox.h"
#include "shots.h"

#include <QAbstractItemModelTester>
#include <QListView>
#include <QToolTip>
#include <QtTest>

class TestCComboBox : public QObject
{
    Q_OBJECT

private slots:
    void init()
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

    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
        m_box = nullptr;
    }

    void placeholderSurvivesClearAndRefill()
    {
        QAbstractItemModelTester tester(m_box->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_box->setItemChecked(2, true);
        const auto items = m_box->items();
        m_box->clear();
        QCOMPARE(m_box->count(), 0);
        QCOMPARE(m_box->displayText(), QString());

        for (const auto& item : items)
            m_box->addItem(item.first, item.second, item.first);
        QCOMPARE(m_box->items(), items);
        QCOMPARE(m_box->currentIndex(), 0);
        QCOMPARE(m_box->currentText(), QString());
        QCOMPARE(m_box->displayText(), "B");
        QListView* view = openPopup();
        QVERIFY(view);
        QCOMPARE(view->visualRect(m_box->model()->index(0, 0)).height(), 0);
        QVERIFY(view->visualRect(m_box->model()->index(1, 0)).height() > 0);
        // Ticking an entry leaves the placeholder current and unticked.
        clickEntry(3);
        QCOMPARE(m_box->currentIndex(), 0);
        QCOMPARE(m_box->items().first(), qMakePair(QString(), false));
    }

    void tickingEmitsAndJoins_data()
    {
        QTest::addColumn<QList<int>>("clickedRows");
        QTest::addColumn<QList<int>>("indexes");
        QTest::addColumn<QList<bool>>("states");
        QTest::addColumn<QString>("text");

        QTest::newRow("none") << QList<int>{} << QList<int>{} << QList<bool>{} << QString();
        QTest::newRow("one") << QList<int>{2} << QList<int>{1} << QList<bool>{true} << "B";
        QTest::newRow("on and off") << QList<int>{1, 1} << QList<int>{0, 0} << QList<bool>{true, false}
                                    << QString();
        QTest::newRow("row order, not tick order")
            << QList<int>{3, 1} << QList<int>{2, 0} << QList<bool>{true, true} << QStringLiteral("A、C");
    }

    void tickingEmitsAndJoins()
    {
        QFETCH(QList<int>, clickedRows);
        QFETCH(QList<int>, indexes);
        QFETCH(QList<bool>, states);
        QFETCH(QString, text);

        QSignalSpy changed(m_box, &CComboBox::itemCheckedStatusChanged);
        QVERIFY(openPopup());
        for (int row : clickedRows)
            clickEntry(row);
        QVERIFY(m_box->view()->isVisible());
        QCOMPARE(changed.count(), indexes.count());
        for (int i = 0; i < changed.count(); ++i) {
            QCOMPARE(changed.at(i).at(0).toInt(), indexes.at(i));
            QCOMPARE(changed.at(i).at(1).toBool(), states.at(i));
        }
        QCOMPARE(m_box->text(), text);
        QCOMPARE(m_box->displayText(), text);
    }

    void popupStaysOpenUntilClosed_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("press outside") << false;
        QTest::newRow("escape") << true;
    }

    void popupStaysOpenUntilClosed()
    {
        QFETCH(bool, escape);

        QSignalSpy shown(m_box, &CComboBox::showPopupEvent);
        QSignalSpy hidden(m_box, &CComboBox::hidePopupEvent);
        // Opened twice: each opening stays open through the clicks on entries
        // and reports exactly one closing.
        for (int round = 1; round <= 2; ++round) {
            QListView* view = openPopup();
            QVERIFY(view);
            QCOMPARE(shown.count(), round);
            clickEntry(round);
            // A quick second click on an entry ticks it off again.
            clickEntry(3, true);
            QVERIFY(view->isVisible());
            QCOMPARE(hidden.count(), round - 1);
            if (round == 1)
                keepShot(view->window(), "ccombobox-open");

            if (escape)
                QTest::keyClick(view, Qt::Key_Escape);
            else // far from the list; the open list takes it, as it takes every press
                QTest::mousePress(m_window->windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(390, 290));
            QTRY_VERIFY(!view->isVisible());
            QCOMPARE(hidden.count(), round);
        }
        QCOMPARE(m_box->checkedIndexes(), (QList<int>{1, 2}));
    }

    void tooWideTextIsElidedButNotItsToolTip()
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
        keepShot(m_box, "ccombobox-elided");

        // The tool tip, once asked for, shows the whole text while the mouse is over.
        QEvent enter(QEvent::Enter), leave(QEvent::Leave);
        QApplication::sendEvent(m_box, &enter);
        QVERIFY(!QToolTip::isVisible());
        m_box->setShowToolTip(true);
        QApplication::sendEvent(m_box, &enter);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), full);
        QApplication::sendEvent(m_box, &leave);
        QTRY_VERIFY(!QToolTip::isVisible());
        m_box->setEnabled(false);
        keepShot(m_box, "ccombobox-disabled");
    }

    void setItemCheckedIsSilent()
    {
        QSignalSpy changed(m_box, &CComboBox::itemCheckedStatusChanged);
        m_box->addItem("D", true, 42);
        m_box->setItemChecked(2, true);
        QCOMPARE(m_box->text(), QStringLiteral("B、D"));
        m_box->setItemChecked(2, true); // no change
        m_box->setItemChecked(3, true);
        m_box->setItemChecked(2, false);
        m_box->setItemChecked(9, true); // no such row
        m_box->setItemChecked(-1, true);
        QCOMPARE(m_box->text(), QStringLiteral("C、D"));
        QCOMPARE(m_box->checkedIndexes(), (QList<int>{3, 4}));
        QCOMPARE(m_box->checkedData(), (QStringList{"c", "42"}));
        QCOMPARE(changed.count(), 0);
    }

private:
    QListView* openPopup()
    {
        m_box->showPopup();
        auto* view = qobject_cast<QListView*>(m_box->view());
        if (view && !QTest::qWaitForWindowExposed(view->window()))
            return nullptr;
        return view;
    }

    // A click on an entry of the open list, as the user makes it: through the
    // list's window (so that the toolkit itself makes a quick second press a
    // double click), the mouse moving there first, as the list follows it.
    void clickEntry(int row, bool twice = false)
    {
        QListView* view = qobject_cast<QListView*>(m_box->view());
        const QPoint at = view->visualRect(m_box->model()->index(row, 0)).center();
        QWindow* popup = view->window()->windowHandle();
        const QPoint inPopup = popup->mapFromGlobal(view->viewport()->mapToGlobal(at));
        if (twice) {
            QTest::mouseDClick(popup, Qt::LeftButton, Qt::NoModifier, inPopup);
            return;
        }
        QTest::mouseMove(popup, inPopup);
        QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, inPopup);
    }

    QWidget* m_window = nullptr;
    CComboBox* m_box = nullptr;
};

QTEST_MAIN(TestCComboBox)
#include "tst_ccombobox.moc"
