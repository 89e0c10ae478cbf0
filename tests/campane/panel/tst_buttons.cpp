#include "selectedbutton.h"
#include "switchbutton.h"

#include <QGridLayout>
#include <QLabel>
#include <QtTest>

namespace {

// Colour of the pixel at `at` of the button as it is drawn.
QColor pixelAt(QWidget* widget, QPoint at)
{
    const QImage image = widget->grab().toImage();
    return image.pixelColor(at * image.devicePixelRatio());
}

bool near(const QColor& a, const QColor& b, int tolerance = 12)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

const QColor kGreen(75, 210, 149);

} // namespace

class TestButtons : public QObject
{
    Q_OBJECT

private slots:
    void clicksFlipBeforeOwnersSeeThem_data();
    void clicksFlipBeforeOwnersSeeThem();
    void disabledButtonsDoNotFlip();
    void settersEmitNothing();
    void switchShowsItsState_data();
    void switchShowsItsState();
    void selectedButtonIsGreenWhenSelected();
    void gallery();
};

void TestButtons::clicksFlipBeforeOwnersSeeThem_data()
{
    QTest::addColumn<bool>("isSwitch");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QList<bool>>("seen");

    QTest::newRow("switch, one click") << true << 1 << QList<bool>{true};
    QTest::newRow("switch, two clicks") << true << 2 << QList<bool>{true, false};
    QTest::newRow("switch, three clicks") << true << 3 << QList<bool>{true, false, true};
    QTest::newRow("selection, one click") << false << 1 << QList<bool>{true};
    QTest::newRow("selection, two clicks") << false << 2 << QList<bool>{true, false};
}

void TestButtons::clicksFlipBeforeOwnersSeeThem()
{
    QFETCH(bool, isSwitch);
    QFETCH(int, clicks);
    QFETCH(QList<bool>, seen);

    SwitchButton switchButton;
    SelectedButton selectedButton;
    QPushButton* button = isSwitch ? static_cast<QPushButton*>(&switchButton) : &selectedButton;
    button->resize(44, 20);
    button->show();
    QVERIFY(QTest::qWaitForWindowExposed(button));
    QCOMPARE(isSwitch ? switchButton.isSwitchOn() : selectedButton.isSelected(), false);

    // The owner connects after construction, as rows and boards do.
    QList<bool> states;
    connect(button, &QAbstractButton::clicked, button,
            [&] { states.append(isSwitch ? switchButton.isSwitchOn() : selectedButton.isSelected()); });
    for (int i = 0; i < clicks; ++i)
        QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(states, seen);
    QVERIFY(!button->isChecked());
}

void TestButtons::disabledButtonsDoNotFlip()
{
    SwitchButton switchButton;
    switchButton.setSwitchOn(true);
    switchButton.setEnabled(false);
    SelectedButton selectedButton;
    selectedButton.setEnabled(false);
    for (QPushButton* button :
         {static_cast<QPushButton*>(&switchButton), static_cast<QPushButton*>(&selectedButton)}) {
        button->resize(44, 20);
        button->show();
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicked.count(), 0);
    }
    QVERIFY(switchButton.isSwitchOn());
    QVERIFY(!selectedButton.isSelected());
}

void TestButtons::settersEmitNothing()
{
    SwitchButton switchButton;
    SelectedButton selectedButton;
    QSignalSpy switchClicked(&switchButton, &QAbstractButton::clicked);
    QSignalSpy selectedClicked(&selectedButton, &QAbstractButton::clicked);
    switchButton.setSwitchOn(true);
    selectedButton.setSelected(true);
    QVERIFY(switchButton.isSwitchOn());
    QVERIFY(selectedButton.isSelected());
    switchButton.setSwitchOn(false);
    QVERIFY(!switchButton.isSwitchOn());
    QCOMPARE(switchClicked.count(), 0);
    QCOMPARE(selectedClicked.count(), 0);
}

void TestButtons::switchShowsItsState_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QColor>("left");
    QTest::addColumn<QColor>("right");

    // The knob sits at the side of the state; the track takes the other side.
    const QColor knob(255, 255, 255), paleKnob(250, 250, 250);
    QTest::newRow("on") << true << true << kGreen << knob;
    QTest::newRow("off") << false << true << knob << QColor(200, 200, 200);
    QTest::newRow("on, disabled") << true << false << QColor(183, 237, 213) << paleKnob;
    QTest::newRow("off, disabled") << false << false << paleKnob << QColor(232, 232, 232);
}

void TestButtons::switchShowsItsState()
{
    QFETCH(bool, on);
    QFETCH(bool, enabled);
    QFETCH(QColor, left);
    QFETCH(QColor, right);

    QWidget window;
    window.setStyleSheet("background: white;");
    SwitchButton button(&window);
    button.setFixedSize(44, 20);
    button.setSwitchOn(on);
    button.setEnabled(enabled);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QColor leftPixel = pixelAt(&button, QPoint(10, 10));
    const QColor rightPixel = pixelAt(&button, QPoint(34, 10));
    QVERIFY2(near(leftPixel, left), qPrintable(leftPixel.name()));
    QVERIFY2(near(rightPixel, right), qPrintable(rightPixel.name()));
}

void TestButtons::selectedButtonIsGreenWhenSelected()
{
    QWidget window;
    SelectedButton button(&window);
    button.setGeometry(0, 0, 60, 30);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QVERIFY(!near(pixelAt(&button, QPoint(30, 15)), kGreen));
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(button.isSelected());
    QVERIFY(near(pixelAt(&button, QPoint(30, 15)), kGreen, 2));
    button.setSelected(false);
    QVERIFY(!near(pixelAt(&button, QPoint(30, 15)), kGreen));
}

// Every state side by side, written to $CAMPANE_SCREENSHOT_DIR when it is set,
// to be looked at.
void TestButtons::gallery()
{
    QWidget window;
    window.setStyleSheet("background: rgb(245, 245, 245);");
    auto* grid = new QGridLayout(&window);
    const char* titles[] = {"on", "off", "on, disabled", "off, disabled"};
    for (int i = 0; i < 4; ++i) {
        auto* button = new SwitchButton;
        button->setFixedSize(44, 20);
        button->setSwitchOn(i % 2 == 0);
        button->setEnabled(i < 2);
        grid->addWidget(new QLabel(titles[i]), 0, i);
        grid->addWidget(button, 1, i);
    }
    const char* icons[] = {"selected", "normal", "normal", "disable"};
    for (int i = 0; i < 4; ++i) {
        auto* button = new SelectedButton;
        button->setFixedSize(60, 30);
        button->setIcon(QIcon(QStringLiteral(":/Resources/icon/selectRoi/%1.png").arg(icons[i])));
        button->setSelected(i == 0);
        button->setEnabled(i != 3);
        grid->addWidget(new QLabel(i == 0 ? "selected" : i == 3 ? "disabled" : "not selected"), 2, i);
        grid->addWidget(button, 3, i);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPixmap shot = window.grab();
    QVERIFY(!shot.isNull());
    const QString dir = qEnvironmentVariable("CAMPANE_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(shot.save(dir + "/buttons.png"));
}

QTEST_MAIN(TestButtons)
#include "tst_buttons.moc"
