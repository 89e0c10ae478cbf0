#include "ccombobox.h"
#include "wheelguard.h"

#include <QtTest/qtestspontaneevent.h>
#include <QtTest>
#include <QtWidgets>

namespace {

QWidget* makeEditor(const QString& kind)
{
    if (kind == "spin box") {
        auto* box = new QSpinBox;
        box->setValue(50);
        return box;
    }
    if (kind == "combo box") {
        auto* box = new QComboBox;
        box->addItems({"a", "b", "c"});
        box->setCurrentIndex(1);
        return box;
    }
    if (kind == "check-list combo box") {
        auto* box = new CComboBox;
        box->addItem("a");
        box->addItem("b", true);
        return box;
    }
    return new QLineEdit("text");
}

// What a wheel could change: the value, the current entry or the ticks.
QString stateOf(QWidget* editor)
{
    if (auto* box = qobject_cast<CComboBox*>(editor))
        return QStringLiteral("%1 %2").arg(box->currentIndex()).arg(box->text());
    if (auto* box = qobject_cast<QComboBox*>(editor))
        return QString::number(box->currentIndex());
    return qobject_cast<QAbstractSpinBox*>(editor)->text();
}

// Turns the wheel over the middle of `widget`, delivered to the child under
// the pointer as the window system would.
void turnWheel(QWidget* widget, int delta)
{
    const QPoint at = widget->rect().center();
    QWidget* target = widget->childAt(at) ? widget->childAt(at) : widget;
    const QPoint local = target->mapFrom(widget, at);
    QWheelEvent wheel(local, target->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    // As from the window system: only such wheel events travel on to the
    // parent when a widget does not take them.
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    qApp->notify(target, &wheel);
}

// Sends a right-click context menu request and reports whether a menu opened.
bool opensContextMenu(QWidget* widget)
{
    bool opened = false;
    QTimer::singleShot(0, [&opened] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            opened = true;
            popup->close();
        }
    });
    const QPoint at = widget->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &event);
    QApplication::processEvents();
    return opened;
}

} // namespace

class TestWheelGuard : public QObject
{
    Q_OBJECT

private slots:
    void guardedEditorIgnoresWheelAndMenu_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("recursively"); // installed on a parent of the editor
        QTest::addColumn<bool>("textField");   // the menu asked for on the spin box's text field

        QTest::newRow("spin box") << "spin box" << false << false;
        QTest::newRow("spin box, its text field") << "spin box" << false << true;
        QTest::newRow("combo box") << "combo box" << false << false;
        QTest::newRow("check-list combo box") << "check-list combo box" << false << false;
        QTest::newRow("line edit") << "line edit" << false << false;
        QTest::newRow("spin box, through its parent") << "spin box" << true << false;
    }

    // The guard takes the editor's wheel (the parent scrolls instead) and its
    // context menu.
    void guardedEditorIgnoresWheelAndMenu()
    {
        QFETCH(QString, kind);
        QFETCH(bool, recursively);
        QFETCH(bool, textField);

        // The same editor twice: one guarded, one of the host, left alone, in a
        // scroll area that takes the wheel events the guarded one passes on.
        QScrollArea window;
        auto* content = new QWidget;
        auto* layout = new QVBoxLayout(content);
        auto* parent = new QWidget;
        auto* inner = new QVBoxLayout(parent);
        QWidget* guarded = makeEditor(kind);
        QWidget* host = makeEditor(kind);
        inner->addWidget(guarded);
        layout->addWidget(parent);
        layout->addWidget(host);
        layout->addSpacing(2000);
        window.setWidget(content);
        window.resize(200, 200);
        if (recursively)
            WheelGuard::installRecursively(parent);
        else
            WheelGuard::install(guarded);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const auto menuTarget = [textField](QWidget* editor) {
            return textField ? editor->findChild<QLineEdit*>() : editor;
        };
        QVERIFY(!opensContextMenu(menuTarget(guarded)));
        // The check-list box has no menu of its own, the others have one.
        if (kind != "check-list combo box" && kind != "combo box")
            QVERIFY(opensContextMenu(menuTarget(host)));
        if (kind == "line edit")
            return;

        const QString guardedBefore = stateOf(guarded);
        const QString hostBefore = stateOf(host);
        for (int delta : {120, -120, -120, -120}) {
            turnWheel(guarded, delta);
            turnWheel(host, delta);
        }
        QCOMPARE(stateOf(guarded), guardedBefore);
        QVERIFY(window.verticalScrollBar()->value() > 0);
        // The host's own editors keep the toolkit's behaviour (the check-list box
        // always returns to its placeholder, so only the others show it).
        if (kind != "check-list combo box")
            QVERIFY(stateOf(host) != hostBefore);
    }
};

QTEST_MAIN(TestWheelGuard)
#include "tst_wheelguard.moc"
