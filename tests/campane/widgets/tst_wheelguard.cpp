#include "ccombobox.h"
#include "tests.h"
#include "wheelguard.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtTest/qtestspontaneevent.h>
#include <QtTest>

namespace {

enum class Kind
{
    SpinBox,
    DoubleSpinBox,
    ComboBox,
    CheckListComboBox,
};

QWidget* makeEditor(Kind kind, QWidget* parent)
{
    switch (kind) {
    case Kind::SpinBox: {
        auto* box = new QSpinBox(parent);
        box->setRange(0, 100);
        box->setValue(50);
        return box;
    }
    case Kind::DoubleSpinBox: {
        auto* box = new QDoubleSpinBox(parent);
        box->setRange(0, 100);
        box->setValue(50);
        return box;
    }
    case Kind::ComboBox: {
        auto* box = new QComboBox(parent);
        box->addItems({"a", "b", "c"});
        box->setCurrentIndex(1);
        return box;
    }
    case Kind::CheckListComboBox: {
        auto* box = new CComboBox(parent);
        box->addItem("a");
        box->addItem("b", true);
        return box;
    }
    }
    return nullptr;
}

// What a wheel could change: the value, the current entry or the ticks.
QString stateOf(QWidget* editor)
{
    if (auto* box = qobject_cast<CComboBox*>(editor))
        return QStringLiteral("%1 %2").arg(box->currentIndex()).arg(box->text());
    if (auto* box = qobject_cast<QComboBox*>(editor))
        return QString::number(box->currentIndex());
    if (auto* box = qobject_cast<QAbstractSpinBox*>(editor))
        return box->text();
    return QString();
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

Q_DECLARE_METATYPE(Kind)

class TestWheelGuard : public QObject
{
    Q_OBJECT

private slots:
    void wheelChangesNothing_data();
    void wheelChangesNothing();
    void wheelScrollsTheParentInstead();
    void noContextMenu_data();
    void noContextMenu();
    void installRecursively();
};

void TestWheelGuard::wheelChangesNothing_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::newRow("spin box") << Kind::SpinBox;
    QTest::newRow("double spin box") << Kind::DoubleSpinBox;
    QTest::newRow("combo box") << Kind::ComboBox;
    QTest::newRow("check-list combo box") << Kind::CheckListComboBox;
}

void TestWheelGuard::wheelChangesNothing()
{
    QFETCH(Kind, kind);

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    QWidget* guarded = makeEditor(kind, &window);
    QWidget* host = makeEditor(kind, &window);
    layout->addWidget(guarded);
    layout->addWidget(host);
    WheelGuard::install(guarded);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QString guardedBefore = stateOf(guarded);
    const QString hostBefore = stateOf(host);
    for (int delta : {120, -120, -120, -120}) {
        turnWheel(guarded, delta);
        turnWheel(host, delta);
    }
    QCOMPARE(stateOf(guarded), guardedBefore);
    // The host's own editors keep the toolkit's behaviour (the check-list box
    // always returns to its placeholder, so only the others show it).
    if (kind != Kind::CheckListComboBox)
        QVERIFY(stateOf(host) != hostBefore);
}

void TestWheelGuard::wheelScrollsTheParentInstead()
{
    QScrollArea area;
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    auto* spinBox = new QSpinBox;
    spinBox->setValue(5);
    layout->addWidget(spinBox);
    layout->addSpacing(2000);
    area.setWidget(content);
    area.resize(200, 200);
    WheelGuard::install(spinBox);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));

    QCOMPARE(area.verticalScrollBar()->value(), 0);
    turnWheel(spinBox, -120);
    QCOMPARE(spinBox->value(), 5);
    QVERIFY(area.verticalScrollBar()->value() > 0);
}

void TestWheelGuard::noContextMenu_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("guard");
    QTest::addColumn<bool>("menu");

    QTest::newRow("line edit") << "line edit" << true << false;
    QTest::newRow("spin box") << "spin box" << true << false;
    QTest::newRow("spin box, its text field") << "spin box text" << true << false;
    QTest::newRow("host line edit") << "line edit" << false << true;
    QTest::newRow("host spin box") << "spin box" << false << true;
}

void TestWheelGuard::noContextMenu()
{
    QFETCH(QString, kind);
    QFETCH(bool, guard);
    QFETCH(bool, menu);

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    QWidget* editor = nullptr;
    QWidget* target = nullptr;
    if (kind == "line edit") {
        editor = target = new QLineEdit("text");
    } else {
        auto* spinBox = new QDoubleSpinBox;
        editor = spinBox;
        target = kind == "spin box" ? editor : spinBox->findChild<QLineEdit*>();
    }
    layout->addWidget(editor);
    if (guard)
        WheelGuard::install(editor);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(target);

    QCOMPARE(opensContextMenu(target), menu);
}

void TestWheelGuard::installRecursively()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* inner = new QWidget;
    auto* innerLayout = new QVBoxLayout(inner);
    auto* spinBox = new QSpinBox;
    spinBox->setValue(3);
    auto* comboBox = new QComboBox;
    comboBox->addItems({"a", "b"});
    auto* lineEdit = new QLineEdit;
    innerLayout->addWidget(spinBox);
    innerLayout->addWidget(comboBox);
    layout->addWidget(inner);
    layout->addWidget(lineEdit);
    WheelGuard::installRecursively(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    turnWheel(spinBox, -120);
    turnWheel(comboBox, -120);
    QCOMPARE(spinBox->value(), 3);
    QCOMPARE(comboBox->currentIndex(), 0);
    QVERIFY(!opensContextMenu(lineEdit));
}

int runWheelGuardTests(int argc, char** argv)
{
    TestWheelGuard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_wheelguard.moc"
