#include "featureeditdelegate.h"
#include "featuretreeview.h"
#include "tests.h"
#include "treeitem.h"
#include "treemodel.h"
#include "treetestsupport.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace GenApi;

class TestFeatureEditDelegate : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void editorPerKind_data();
    void editorPerKind();
    void noEditor_data();
    void noEditor();
    void editedValueReachesTheDevice_data();
    void editedValueReachesTheDevice();
    void addressEditsWriteNothing_data();
    void addressEditsWriteNothing();
    void typedValueIsNotReplaced();
    void lostDeviceOpensNoEditor();
    void readOnlyValuesPaintedGrey_data();
    void readOnlyValuesPaintedGrey();

private:
    QWidget* openEditor(const QString& feature);

    std::unique_ptr<CDeviceConnection> m_device;
    std::unique_ptr<TreeModel> m_model;
    std::unique_ptr<FeatureTreeView> m_view;
    FeatureEditDelegate* m_delegate = nullptr;
};

void TestFeatureEditDelegate::init()
{
    m_device = openSimulated(treeTestData(QStringLiteral("tree-features.xml")));
    QVERIFY(m_device);
    m_model = buildModel(m_device->GetNodeMap());
    m_view = std::make_unique<FeatureTreeView>();
    m_view->setModel(m_model.get());
    m_view->resize(600, 800);
    m_view->expandAll();
    m_delegate = qobject_cast<FeatureEditDelegate*>(m_view->itemDelegateForColumn(1));
    QVERIFY(m_delegate);
}

void TestFeatureEditDelegate::cleanup()
{
    m_view.reset();
    m_model.reset();
    m_device.reset();
    QLoggingCategory::setFilterRules(QString());
}

QWidget* TestFeatureEditDelegate::openEditor(const QString& feature)
{
    const QModelIndex index = findValue(*m_model, feature);
    if (!index.isValid())
        return nullptr;
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 200, 30);
    QWidget* editor = m_delegate->createEditor(m_view->viewport(), option, index);
    if (editor)
        m_delegate->setEditorData(editor, index);
    return editor;
}

void TestFeatureEditDelegate::editorPerKind_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QString>("editorClass");
    QTest::addColumn<QString>("mask");      // line edits
    QTest::addColumn<QString>("text");      // line edits, push buttons, combo boxes (current text)
    QTest::addColumn<QVariantList>("spin"); // decimals, minimum, maximum, step, value

    QTest::newRow("IPv4 by name") << "GevCurrentIPAddress"
                                  << "QLineEdit"
                                  << "000.000.000.000;_"
                                  << "192.168.0.1" << QVariantList();
    QTest::newRow("MAC by name") << "GevMACAddress"
                                 << "QLineEdit"
                                 << "HH:HH:HH:HH:HH:HH;_"
                                 << "00:11:22:33:44:AA" << QVariantList();
    QTest::newRow("IPV4Address") << "PeerAddress"
                                 << "QLineEdit"
                                 << "000.000.000.000;_"
                                 << "10.0.1.2" << QVariantList();
    QTest::newRow("MACAddress") << "PeerMac"
                                << "QLineEdit"
                                << "HH:HH:HH:HH:HH:HH;_"
                                << "A1:B2:C3:D4:E5:F6" << QVariantList();
    QTest::newRow("hex") << "StatusBits"
                         << "QLineEdit"
                         << "HHHHHHHHHHHHHHHH"
                         << "0ff" << QVariantList();
    QTest::newRow("string") << "DeviceUserID"
                            << "QLineEdit"
                            << ""
                            << "cam-1" << QVariantList();
    QTest::newRow("integer") << "ExposureTime"
                             << "QDoubleSpinBox"
                             << ""
                             << "" << QVariantList{0, 10.0, 100000.0, 5.0, 1000.0};
    QTest::newRow("float without increment") << "Gain"
                                             << "QDoubleSpinBox"
                                             << ""
                                             << "" << QVariantList{4, 0.0, 24.0, 0.1, 2.5};
    QTest::newRow("SinData") << "SinData"
                             << "QDoubleSpinBox"
                             << ""
                             << "" << QVariantList{6, -1.0, 1.0, 0.000001, 0.125};
    QTest::newRow("boolean") << "ReverseX"
                             << "QComboBox"
                             << ""
                             << "False" << QVariantList();
    QTest::newRow("enumeration") << "GainAuto"
                                 << "QComboBox"
                                 << ""
                                 << "Off" << QVariantList();
    QTest::newRow("command") << "ClearCounters"
                             << "QPushButton"
                             << ""
                             << "Execute" << QVariantList();
}

void TestFeatureEditDelegate::editorPerKind()
{
    QFETCH(QString, feature);
    QFETCH(QString, editorClass);
    QFETCH(QString, mask);
    QFETCH(QString, text);
    QFETCH(QVariantList, spin);

    QScopedPointer<QWidget> editor(openEditor(feature));
    QVERIFY(editor);
    QCOMPARE(QString::fromLatin1(editor->metaObject()->className()), editorClass);
    if (auto* edit = qobject_cast<QLineEdit*>(editor.data())) {
        QCOMPARE(edit->inputMask(), mask);
        QCOMPARE(edit->text(), text);
    } else if (auto* spinBox = qobject_cast<QDoubleSpinBox*>(editor.data())) {
        QCOMPARE(spinBox->decimals(), spin.at(0).toInt());
        QCOMPARE(spinBox->minimum(), spin.at(1).toDouble());
        QCOMPARE(spinBox->maximum(), spin.at(2).toDouble());
        QCOMPARE(spinBox->singleStep(), spin.at(3).toDouble());
        QCOMPARE(spinBox->value(), spin.at(4).toDouble());
        QCOMPARE(spinBox->contextMenuPolicy(), Qt::NoContextMenu);
    } else if (auto* comboBox = qobject_cast<QComboBox*>(editor.data())) {
        QCOMPARE(comboBox->currentText(), text);
        if (feature == QLatin1String("GainAuto")) {
            QCOMPARE(comboBox->count(), 3); // "Experimental" is not available
            QCOMPARE(comboBox->itemText(2), QStringLiteral("Continuous"));
            QCOMPARE(comboBox->styleSheet(),
                     QStringLiteral("QComboBox QAbstractItemView::item {height: 50px;}"));
        } else {
            QCOMPARE(comboBox->count(), 2);
            QCOMPARE(comboBox->itemText(1), QStringLiteral("True"));
        }
    } else if (auto* button = qobject_cast<QPushButton*>(editor.data())) {
        QCOMPARE(button->text(), text);
    }
}

void TestFeatureEditDelegate::noEditor_data()
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

void TestFeatureEditDelegate::noEditor()
{
    QFETCH(QString, feature);
    QFETCH(int, column);
    const QModelIndex label = findFeature(*m_model, feature);
    QVERIFY(label.isValid());
    QStyleOptionViewItem option;
    QVERIFY(!m_delegate->createEditor(m_view->viewport(), option, label.sibling(label.row(), column)));
}

void TestFeatureEditDelegate::editedValueReachesTheDevice_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QVariant>("onDevice");
    QTest::newRow("hex 1F") << "StatusBits"
                            << "1F" << QVariant(qlonglong(31));
    QTest::newRow("hex unchanged") << "StatusBits"
                                   << "" << QVariant(qlonglong(255));
    QTest::newRow("hex above 32 bits") << "StatusBits"
                                       << "123456789" << QVariant(qlonglong(0x123456789));
    QTest::newRow("integer") << "ExposureTime"
                             << "2005" << QVariant(qlonglong(2005));
    QTest::newRow("float") << "Gain"
                           << "3.25" << QVariant(3.25);
    QTest::newRow("boolean") << "ReverseX"
                             << "1" << QVariant(qlonglong(1));
    QTest::newRow("enumeration") << "GainAuto"
                                 << "Once" << QVariant(qlonglong(1));
    QTest::newRow("string") << "DeviceUserID"
                            << "left" << QVariant(QStringLiteral("left"));
}

void TestFeatureEditDelegate::editedValueReachesTheDevice()
{
    QFETCH(QString, feature);
    QFETCH(QString, input);
    QFETCH(QVariant, onDevice);
    QScopedPointer<QWidget> editor(openEditor(feature));
    QVERIFY(editor);
    if (auto* edit = qobject_cast<QLineEdit*>(editor.data())) {
        if (!input.isEmpty()) {
            edit->selectAll();
            QTest::keyClicks(edit, input);
        }
    } else if (auto* spinBox = qobject_cast<QDoubleSpinBox*>(editor.data())) {
        spinBox->selectAll();
        QTest::keyClicks(spinBox, input);
    } else if (auto* comboBox = qobject_cast<QComboBox*>(editor.data())) {
        if (feature == QLatin1String("ReverseX"))
            comboBox->setCurrentIndex(input.toInt());
        else
            comboBox->setCurrentText(input);
    }
    const QModelIndex index = findValue(*m_model, feature);
    m_delegate->setModelData(editor.data(), m_model.get(), index);

    INodeMap* nodeMap = m_device->GetNodeMap();
    if (feature == QLatin1String("DeviceUserID")) {
        QCOMPARE(
            QString::fromUtf8(CStringPtr(nodeMap->GetNode("DeviceUserID"))->GetValue(true, true).c_str()),
            onDevice.toString());
        return;
    }
    const QByteArray reg = (feature + QStringLiteral("Reg")).toUtf8();
    if (onDevice.type() == QVariant::Double)
        QCOMPARE(deviceFloat(nodeMap, reg.constData()), onDevice.toDouble());
    else
        QCOMPARE(qlonglong(deviceInteger(nodeMap, reg.constData())), onDevice.toLongLong());
}

void TestFeatureEditDelegate::addressEditsWriteNothing_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QString>("input");
    QTest::addColumn<qlonglong>("onDevice");
    QTest::newRow("IPv4 by name") << "GevCurrentIPAddress"
                                  << "010001001001" << qlonglong(0xC0A80001);
    QTest::newRow("MAC by name") << "GevMACAddress"
                                 << "AABBCCDDEEFF" << qlonglong(0x0011223344AA);
    QTest::newRow("IPV4Address") << "PeerAddress"
                                 << "010001001001" << qlonglong(0x0A000102);
    QTest::newRow("MACAddress") << "PeerMac"
                                << "AABBCCDDEEFF" << qlonglong(0xA1B2C3D4E5F6);
}

void TestFeatureEditDelegate::addressEditsWriteNothing()
{
    QFETCH(QString, feature);
    QFETCH(QString, input);
    QFETCH(qlonglong, onDevice);
    QLoggingCategory::setFilterRules(QStringLiteral("campane.tree.debug=true"));
    QScopedPointer<QWidget> editor(openEditor(feature));
    auto* edit = qobject_cast<QLineEdit*>(editor.data());
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClicks(edit, input);
    QVERIFY(edit->text() != findValue(*m_model, feature).data().toString());
    m_device->ResetStatistics();
    QTest::ignoreMessage(QtDebugMsg, "Data is invalid!");
    m_delegate->setModelData(edit, m_model.get(), findValue(*m_model, feature));
    QCOMPARE(m_device->GetStatistics().registerWrites, uint64_t(0));
    const QByteArray reg = (feature + QStringLiteral("Reg")).toUtf8();
    QCOMPARE(qlonglong(deviceInteger(m_device->GetNodeMap(), reg.constData())), onDevice);
}

void TestFeatureEditDelegate::typedValueIsNotReplaced()
{
    // The tree's own editor, opened as a user opens it.
    const QModelIndex index = findValue(*m_model, QStringLiteral("DeviceUserID"));
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    m_view->setCurrentIndex(index); // a shown view opens the editor of the new current cell
    auto* edit = m_view->viewport()->findChild<QLineEdit*>();
    QVERIFY(edit);
    QCOMPARE(edit->text(), QStringLiteral("cam-1"));
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("typing"));

    // The device changes, the tree refreshes, the model announces changes of
    // this cell and of everything: the editor keeps what the user typed.
    CStringPtr(m_device->GetNodeMap()->GetNode("DeviceUserID"))->SetValue("from device");
    for (int tick = 0; tick < 3; ++tick) {
        m_model->startRefreshTick();
        m_view->viewport()->repaint();
        emit m_model->dataChanged(index, index);
        m_model->setLanguage(0);
        QCoreApplication::processEvents();
    }
    QCOMPARE(edit->text(), QStringLiteral("typing"));
}

void TestFeatureEditDelegate::lostDeviceOpensNoEditor()
{
    m_device->MarkLost();
    QStyleOptionViewItem option;
    // Every GenApi call throws now; none of it may leave the delegate.
    QVERIFY(
        !m_delegate->createEditor(m_view->viewport(), option, findValue(*m_model, QStringLiteral("Gain"))));
    QScopedPointer<QLineEdit> edit(new QLineEdit);
    edit->setText(QStringLiteral("kept"));
    m_delegate->setEditorData(edit.data(), findValue(*m_model, QStringLiteral("DeviceUserID")));
    QCOMPARE(edit->text(), QStringLiteral("kept"));
    m_delegate->setModelData(edit.data(), m_model.get(), findValue(*m_model, QStringLiteral("DeviceUserID")));
    QImage image(200, 30, QImage::Format_ARGB32);
    QPainter painter(&image);
    QStyleOptionViewItem paintOption;
    paintOption.rect = image.rect();
    m_delegate->paint(&painter, paintOption, findValue(*m_model, QStringLiteral("FrameCount")));
}

void TestFeatureEditDelegate::readOnlyValuesPaintedGrey_data()
{
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QString>("text");
    QTest::newRow("integer") << "FrameCount"
                             << "42";
    QTest::newRow("double with three decimals") << "SensorTemperature"
                                                << "36.457";
}

void TestFeatureEditDelegate::readOnlyValuesPaintedGrey()
{
    QFETCH(QString, feature);
    QFETCH(QString, text);
    const QModelIndex index = findValue(*m_model, feature);
    QCOMPARE(FeatureEditDelegate::readOnlyText(m_model->deviceValue(index)), text);

    // Painted: only grey text on the white cell, no black.
    QImage image(200, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.initFrom(m_view.get());
        option.rect = image.rect();
        m_delegate->paint(&painter, option, index);
    }
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            darkest = qMin(darkest, qGray(image.pixel(x, y)));
    QVERIFY2(darkest < 200, "no text painted");
    QVERIFY2(darkest >= 100, "text painted darker than grey");

    // After the device is gone nothing is painted.
    m_view->disableDevice();
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        m_delegate->paint(&painter, option, index);
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            QCOMPARE(image.pixel(x, y), QColor(Qt::white).rgb());
}

int runFeatureEditDelegateTests(int argc, char** argv)
{
    TestFeatureEditDelegate test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_featureeditdelegate.moc"
