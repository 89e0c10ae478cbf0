#include "selectedbutton.h"
#include "switchbutton.h"

#include <QtTest>

#include <memory>

namespace {

// The two latching buttons behind one face.
std::unique_ptr<QPushButton> makeButton(bool isSwitch)
{
    std::unique_ptr<QPushButton> button(isSwitch ? static_cast<QPushButton*>(new SwitchButton)
                                                 : new SelectedButton);
    button->setFixedSize(isSwitch ? QSize(44, 20) : QSize(60, 30));
    button->setStyleSheet("background: white;");
    return button;
}

bool stateOf(QPushButton* button)
{
    auto* s = dynamic_cast<SwitchButton*>(button);
    return s ? s->isSwitchOn() : dynamic_cast<SelectedButton*>(button)->isSelected();
}

void setState(QPushButton* button, bool on)
{
    if (auto* s = dynamic_cast<SwitchButton*>(button))
        s->setSwitchOn(on);
    else
        dynamic_cast<SelectedButton*>(button)->setSelected(on);
}

bool near(const QColor& a, const QColor& b)
{
    return qAbs(a.red() - b.red()) <= 12 && qAbs(a.green() - b.green()) <= 12 &&
           qAbs(a.blue() - b.blue()) <= 12;
}

} // namespace

class TestButtons : public QObject
{
    Q_OBJECT

private slots:
    void clicksFlipBeforeOwnersSeeThem_data()
    {
        QTest::addColumn<bool>("isSwitch");
        QTest::addColumn<bool>("initial");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QList<bool>>("seen");

        QTest::newRow("switch, one click") << true << false << true << 1 << QList<bool>{true};
        QTest::newRow("switch, three clicks") << true << false << true << 3 << QList<bool>{true, false, true};
        QTest::newRow("switch on, one click") << true << true << true << 1 << QList<bool>{false};
        QTest::newRow("selection, two clicks") << false << false << true << 2 << QList<bool>{true, false};
        QTest::newRow("switch on, disabled") << true << true << false << 1 << QList<bool>{};
        QTest::newRow("selection, disabled") << false << false << false << 1 << QList<bool>{};
    }

    void clicksFlipBeforeOwnersSeeThem()
    {
        QFETCH(bool, isSwitch);
        QFETCH(bool, initial);
        QFETCH(bool, enabled);
        QFETCH(int, clicks);
        QFETCH(QList<bool>, seen);

        const auto button = makeButton(isSwitch);
        QSignalSpy clicked(button.get(), &QAbstractButton::clicked);
        // Setters are silent: rows set the device's state without writing it back.
        setState(button.get(), !initial);
        setState(button.get(), initial);
        QCOMPARE(stateOf(button.get()), initial);
        button->setEnabled(enabled);
        button->show();
        QVERIFY(QTest::qWaitForWindowExposed(button.get()));

        // The owner connects after construction, as rows and boards do.
        QList<bool> states;
        connect(button.get(), &QAbstractButton::clicked, button.get(),
                [&] { states.append(stateOf(button.get())); });
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(button.get(), Qt::LeftButton);
        QCOMPARE(states, seen);
        QCOMPARE(clicked.count(), seen.count());
        QCOMPARE(stateOf(button.get()), seen.isEmpty() ? initial : seen.last());
        QVERIFY(!button->isChecked());
    }

    void buttonShowsItsState_data()
    {
        QTest::addColumn<bool>("isSwitch");
        QTest::addColumn<bool>("on");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QColor>("left");
        QTest::addColumn<QColor>("right");

        // The switch's knob sits at the side of the state; the track takes the
        // other side. The selection button is filled green when selected.
        const QColor green(75, 210, 149), knob(255, 255, 255), paleKnob(250, 250, 250);
        QTest::newRow("switch on") << true << true << true << green << knob;
        QTest::newRow("switch off") << true << false << true << knob << QColor(200, 200, 200);
        QTest::newRow("switch on, disabled") << true << true << false << QColor(183, 237, 213) << paleKnob;
        QTest::newRow("switch off, disabled") << true << false << false << paleKnob << QColor(232, 232, 232);
        QTest::newRow("selected") << false << true << true << green << green;
        QTest::newRow("not selected")
            << false << false << true << QColor(239, 239, 239) << QColor(239, 239, 239);
    }

    void buttonShowsItsState()
    {
        QFETCH(bool, isSwitch);
        QFETCH(bool, on);
        QFETCH(bool, enabled);
        QFETCH(QColor, left);
        QFETCH(QColor, right);

        const auto button = makeButton(isSwitch);
        setState(button.get(), on);
        button->setEnabled(enabled);
        button->show();
        QVERIFY(QTest::qWaitForWindowExposed(button.get()));

        const QImage image = button->grab().toImage();
        const int y = button->height() / 2;
        const QColor leftPixel = image.pixelColor(QPoint(10, y) * image.devicePixelRatio());
        const QColor rightPixel =
            image.pixelColor(QPoint(button->width() - 10, y) * image.devicePixelRatio());
        QVERIFY2(near(leftPixel, left), qPrintable(leftPixel.name()));
        QVERIFY2(near(rightPixel, right), qPrintable(rightPixel.name()));

        // A picture of each state, to be looked at.
        const QString dir = qEnvironmentVariable("CAMPANE_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            image.save(dir + "/" + QString(QTest::currentDataTag()).replace(' ', '-') + ".png");
    }
};

QTEST_MAIN(TestButtons)
#include "tst_buttons.moc"
