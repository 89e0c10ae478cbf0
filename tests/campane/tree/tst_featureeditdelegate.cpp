#include "featureeditdelegate.h"
#include "tests.h"

#include <QtTest>
#include <QtWidgets>

using namespace GenApi;

QWidget* TestTree::openEditor(const QString& feature, int column) const
{
    const QModelIndex label = m_tree.feature(feature);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 200, 30);
    QWidget* editor =
        delegate()->createEditor(m_tree.view->viewport(), option, label.sibling(label.row(), column));
    if (editor)
        delegate()->setEditorData(editor, label.sibling(label.row(), column));
    return editor;
}

// What an editor shows: its class, then the line edit's mask and text, the
// spin box's decimals, range, step and value, the combo box's current text
// and items, or the button's text.
static QString describe(QWidget* editor)
{
    const QString name = QString::fromLatin1(editor->metaObject()->className()) + QLatin1Char(' ');
    if (auto* edit = qobject_cast<QLineEdit*>(editor))
        return name + edit->inputMask() + QLatin1Char('|') + edit->text();
    if (auto* spin = qobject_cast<QDoubleSpinBox*>(editor))
        return name + QStringLiteral("%1 %2 %3 %4 %5")
                          .arg(spin->decimals())
                          .arg(spin->minimum())
                          .arg(spin->maximum())
                          .arg(spin->singleStep())
                          .arg(spin->value());
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return name + combo->currentText() + QLatin1Char('|') + items.join(QLatin1Char(','));
    }
    if (auto* button = qobject_cast<QPushButton*>(editor))
        return name + button->text();
    return name;
}

void TestTree::editorFilledAndWrittenBack_data()
{
    // Addresses are shown but not written: their edits write nothing.
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QVariant>("onDevice");
    QTest::addColumn<bool>("written");
    const auto row = [](const char* feature, const char* editor, const QString& input,
                        const QVariant& onDevice, bool written = true) {
        QTest::newRow(feature) << QString::fromLatin1(feature) << QString::fromUtf8(editor) << input
                               << onDevice << written;
    };
    const qlonglong ip = 0xC0A80001, mac = 0x0011223344AA, peer = 0x0A000102, peerMac = 0xA1B2C3D4E5F6;
    row("GevCurrentIPAddress", "QLineEdit 000.000.000.000;_|192.168.0.1", "010001001001", ip, false);
    row("GevMACAddress", "QLineEdit HH:HH:HH:HH:HH:HH;_|00:11:22:33:44:AA", "AABBCCDDEEFF", mac, false);
    row("PeerAddress", "QLineEdit 000.000.000.000;_|10.0.1.2", "010001001001", peer, false);
    row("PeerMac", "QLineEdit HH:HH:HH:HH:HH:HH;_|A1:B2:C3:D4:E5:F6", "AABBCCDDEEFF", peerMac, false);
    const QString hex = QStringLiteral("StatusBits"),
                  hexEditor = QStringLiteral("QLineEdit HHHHHHHHHHHHHHHH|0ff");
    QTest::newRow("hex 1F") << hex << hexEditor << QStringLiteral("1F") << QVariant(qlonglong(31)) << true;
    QTest::newRow("hex unchanged") << hex << hexEditor << QString() << QVariant(qlonglong(255)) << true;
    QTest::newRow("hex above 32 bits")
        << hex << hexEditor << QStringLiteral("123456789") << QVariant(0x123456789LL) << true;
    row("DeviceUserID", "QLineEdit |cam-1", QString::fromUtf8("line-2 \xc3\xa9"),
        QString::fromUtf8("line-2 \xc3\xa9"));
    row("ExposureTime", "QDoubleSpinBox 0 10 100000 5 1000", "2005", qlonglong(2005));
    row("Gain", "QDoubleSpinBox 4 0 24 0.1 2.5", "3.25", 3.25); // no increment: a step of 0.1
    row("SinData", "QDoubleSpinBox 6 -1 1 1e-06 0.125", "-0.5", -0.5);
    row("ReverseX", "QComboBox False|False,True", "True", qlonglong(1));
    // "Experimental" is not available.
    row("GainAuto", "QComboBox Off|Off,Once,Continuous", "Once", qlonglong(1));
    row("ClearCounters", "QPushButton Execute", QString(), qlonglong(0), false);
}

void TestTree::editorFilledAndWrittenBack()
{
    QFETCH(QString, feature);
    QFETCH(QString, editor);
    QFETCH(QString, input);
    QFETCH(QVariant, onDevice);
    QFETCH(bool, written);
    QScopedPointer<QWidget> widget(openEditor(feature));
    QVERIFY(widget);
    QCOMPARE(describe(widget.data()), editor);
    if (auto* combo = qobject_cast<QComboBox*>(widget.data())) {
        combo->setCurrentText(input);
    } else if (auto* spin = qobject_cast<QDoubleSpinBox*>(widget.data())) {
        QCOMPARE(spin->contextMenuPolicy(), Qt::NoContextMenu);
        spin->selectAll();
        QTest::keyClicks(spin, input);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget.data()); edit && !input.isEmpty()) {
        edit->selectAll();
        edit->insert(input); // as typed, through the input mask
    }

    const QModelIndex index = m_tree.value(feature);
    QSignalSpy changed(m_tree.model.get(), &QAbstractItemModel::dataChanged);
    m_tree.device->ResetStatistics();
    if (!qobject_cast<QPushButton*>(widget.data()))
        delegate()->setModelData(widget.data(), m_tree.model.get(), index);
    QCOMPARE(m_tree.device->GetStatistics().registerWrites > 0, written);
    QCOMPARE(changed.count(), written ? 1 : 0);
    QCOMPARE(m_tree.onDevice(feature), onDevice);
}

void TestTree::noEditor_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<int>("column");
    QTest::newRow("read-only integer") << "FrameCount" << 1;
    QTest::newRow("read-only float") << "SensorTemperature" << 1;
    QTest::newRow("write-only integer") << "SecretKey" << 1;
    QTest::newRow("read-only command") << "ReadOnlyCommand" << 1;
    QTest::newRow("unavailable feature") << "ExtraValue" << 1;
    QTest::newRow("category") << "Network" << 1;
    QTest::newRow("label column") << "ExposureTime" << 0;
}

void TestTree::noEditor()
{
    QFETCH(QString, feature);
    QFETCH(int, column);
    QVERIFY(m_tree.feature(feature).isValid());
    QVERIFY(!openEditor(feature, column));
}

void TestTree::typedValueIsNotReplaced()
{
    // The tree's own editor, opened as a user opens it.
    const QModelIndex index = m_tree.value(QStringLiteral("DeviceUserID"));
    FeatureTreeView* view = m_tree.view.get();
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    view->setCurrentIndex(index); // a shown view opens the editor of the new current cell
    auto* edit = view->viewport()->findChild<QLineEdit*>();
    QVERIFY(edit);
    QCOMPARE(edit->text(), QStringLiteral("cam-1"));
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("typing"));

    // The device changes, the tree refreshes, the model announces changes of
    // this cell and of everything: the editor keeps what the user typed.
    CStringPtr(m_tree.nodeMap->GetNode("DeviceUserID"))->SetValue("from device");
    for (int tick = 0; tick < 3; ++tick) {
        m_tree.model->startRefreshTick();
        view->viewport()->repaint();
        emit m_tree.model->dataChanged(index, index);
        m_tree.model->setLanguage(0);
        QCoreApplication::processEvents();
    }
    QCOMPARE(edit->text(), QStringLiteral("typing"));
}

void TestTree::lostDeviceOpensNoEditor()
{
    m_tree.device->MarkLost();
    // Every GenApi call throws now; none of it may leave the delegate.
    QVERIFY(!openEditor(QStringLiteral("Gain")));
    QLineEdit edit(QStringLiteral("kept"));
    delegate()->setEditorData(&edit, m_tree.value(QStringLiteral("DeviceUserID")));
    QCOMPARE(edit.text(), QStringLiteral("kept"));
    delegate()->setModelData(&edit, m_tree.model.get(), m_tree.value(QStringLiteral("DeviceUserID")));
    QImage image(200, 30, QImage::Format_ARGB32);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = image.rect();
    delegate()->paint(&painter, option, m_tree.value(QStringLiteral("FrameCount")));
}

void TestTree::readOnlyValuesPaintedGrey_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QString>("text");
    QTest::newRow("integer") << QStringLiteral("FrameCount") << QStringLiteral("42");
    QTest::newRow("float with its display precision")
        << QStringLiteral("SensorTemperature") << QStringLiteral("36.4567");
}

void TestTree::readOnlyValuesPaintedGrey()
{
    QFETCH(QString, feature);
    QFETCH(QString, text);
    const QModelIndex index = m_tree.value(feature);
    QCOMPARE(FeatureEditDelegate::readOnlyText(m_tree.model->deviceValue(index)), text);

    // The darkest pixel of the cell painted on white.
    const auto darkestPainted = [&] {
        QImage image(200, 30, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.initFrom(m_tree.view.get());
        option.rect = image.rect();
        delegate()->paint(&painter, option, index);
        int darkest = 255;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                darkest = qMin(darkest, qGray(image.pixel(x, y)));
        return darkest;
    };
    const int darkest = darkestPainted();
    QVERIFY2(darkest < 200, "no text painted");
    QVERIFY2(darkest >= 100, "text painted darker than grey");
    // After the device is gone nothing is painted.
    m_tree.view->disableDevice();
    QCOMPARE(darkestPainted(), 255);
}
