#include "selectedbutton.h"
#include "switchbutton.h"

#include <QtTest>

#include <memory>

namespace {

// The two latching buttons behind one face: state, setter, a picture.
struct Latch
{
    explicit Latch(bool isSwitch)
    {
        if (isSwitch)
            button = std::make_unique<SwitchButton>();
        else
            button = std::make_unique<SelectedButton>();
        button->setFixedSize(isSwitch ? QSize(44, 20) : QSize(60, 30));
        button->setStyleSheet("background: white;");
    }
    bool state() const
    {
        if (auto* s = qobject_cast<SwitchButton*>(button.get()))
            return s->isSwitchOn();
        return static_cast<SelectedButton*>(button.get())->isSelected();
    }
    void setState(bool on)
    {
        if (auto* s = qobject_cast<SwitchButton*>(button.get()))
            s->setSwitchOn(on);
        else
            static_cast<SelectedButton*>(button.get())->setSelected(on);
    }
    QColor pixelAt(QPoint at) const
    {
        const QImage image = button->grab().toImage();
        return image.pixelColor(at * image.devicePixelRatio());
    }

    std::unique_ptr<QPushButton> button;
};

bool near(const QColor& a, const QColor& b)
{
    const int tolerance = 12;
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

class TestButtons : public QObject
{
    Q_OBJECT

private slots:
    void clicksFlipBeforeOwnersSeeThem_data();
    void clicksFlipBeforeOwnersSeeThem();
    void buttonShowsItsState_data();
    void buttonShowsItsState();
};

void TestButtons::clicksFlipBeforeOwnersSeeThem_data()
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

void TestButtons::clicksFlipBeforeOwnersSeeThem()
{
    QFETCH(bool, isSwitch);
    QFETCH(bool, initial);
    QFETCH(bool, enabled);
    QFETCH(int, clicks);
    QFETCH(QList<bool>, seen);

    Latch latch(isSwitch);
    QSignalSpy clicked(latch.button.get(), &QAbstractButton::clicked);
    // Setters are silent: rows set the device's state without writing it back.
    latch.setState(!initial);
    latch.setState(initial);
    QCOMPARE(latch.state(), initial);
    latch.button->setEnabled(enabled);
    latch.button->show();
    QVERIFY(QTest::qWaitForWindowExposed(latch.button.get()));

    // The owner connects after construction, as rows and boards do.
    QList<bool> states;
    connect(latch.button.get(), &QAbstractButton::clicked, latch.button.get(),
            [&] { states.append(latch.state()); });
    for (int i = 0; i < clicks; ++i)
        QTest::mouseClick(latch.button.get(), Qt::LeftButton);
    QCOMPARE(states, seen);
    QCOMPARE(clicked.count(), seen.count());
    QCOMPARE(latch.state(), seen.isEmpty() ? initial : seen.last());
    QVERIFY(!latch.button->isChecked());
}

void TestButtons::buttonShowsItsState_data()
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
    QTest::newRow("not selected") << false << false << true << QColor(239, 239, 239) << QColor(239, 239, 239);
}

void TestButtons::buttonShowsItsState()
{
    QFETCH(bool, isSwitch);
    QFETCH(bool, on);
    QFETCH(bool, enabled);
    QFETCH(QColor, left);
    QFETCH(QColor, right);

    Latch latch(isSwitch);
    latch.setState(on);
    latch.button->setEnabled(enabled);
    latch.button->show();
    QVERIFY(QTest::qWaitForWindowExposed(latch.button.get()));

    const int y = latch.button->height() / 2;
    const QColor leftPixel = latch.pixelAt(QPoint(10, y));
    const QColor rightPixel = latch.pixelAt(QPoint(latch.button->width() - 10, y));
    QVERIFY2(near(leftPixel, left), qPrintable(leftPixel.name()));
    QVERIFY2(near(rightPixel, right), qPrintable(rightPixel.name()));

    // A picture of each state, to be looked at.
    const QString dir = qEnvironmentVariable("CAMPANE_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        latch.button->grab().save(dir + "/" + QString(QTest::currentDataTag()).replace(' ', '-') + ".png");
}

QTEST_MAIN(TestButtons)
#include "tst_buttons.moc"
