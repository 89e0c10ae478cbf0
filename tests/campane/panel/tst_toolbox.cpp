// The tool box of foldable pages holding groups of rows bound to the
// simulated structured-light camera: folding, refresh, languages, the
// spacer, the arrow icons, and pictures of the whole in both languages.

#include "ccombobox.h"
#include "ctoolbox.h"
#include "ctoolpage.h"
#include "switchbutton.h"
#include "toolpagewidget.h"
#include "toolpagewidgetitem.h"

#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSpacerItem>
#include <QSpinBox>
#include <QtTest>

#include <memory>

using namespace GenApi;

namespace {

const QString kCamera = QStringLiteral(CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml");

struct RowText
{
    const char* node;
    const char* english;
    const char* chinese;
};

QSpacerItem* spacerOf(CToolPage* page)
{
    auto* layout = page->findChild<QVBoxLayout*>(QStringLiteral("verticalLayout"));
    return layout ? layout->itemAt(2)->spacerItem() : nullptr;
}

QPushButton* titleButtonOf(CToolPage* page)
{
    return page->findChild<QPushButton*>(QStringLiteral("pushButtonFold"));
}

QImage iconOf(CToolPage* page)
{
    return page->findChild<QLabel*>(QStringLiteral("iconLabel"))->pixmap(Qt::ReturnByValue).toImage();
}

} // namespace

class TestToolBox : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pageWithoutTitleBar();
    void foldedPageIsNotRefreshed();
    void languageReachesTitlesAndRows();
    void spacerFollowsFold_data();
    void spacerFollowsFold();
    void drawnArrowWithoutHostIcons();
    void pictures();

private:
    ToolPageWidget* makeGroup(std::initializer_list<RowText> rows) const;

    std::unique_ptr<CDeviceConnection> m_device;
};

void TestToolBox::init()
{
    std::string error;
    m_device = CDeviceConnection::OpenSimulated(kCamera.toStdString(), &error);
    QVERIFY2(m_device, error.c_str());
}

void TestToolBox::cleanup()
{
    m_device.reset();
}

ToolPageWidget* TestToolBox::makeGroup(std::initializer_list<RowText> rows) const
{
    auto* group = new ToolPageWidget;
    for (const RowText& text : rows) {
        auto* row = new ToolPageWidgetItem;
        row->setupNode({QString::fromUtf8(text.english), QString::fromUtf8(text.chinese)},
                       {QStringLiteral("About ") + text.english, QString()},
                       m_device->GetNodeMap()->GetNode(text.node), true);
        group->addItem(row);
    }
    group->setLanguageType(0);
    return group;
}

void TestToolBox::pageWithoutTitleBar()
{
    CToolBox box;
    auto* body = new QLabel(QStringLiteral("body"));
    CToolPage* page = box.addPage(QStringLiteral("Hidden title"), QStringLiteral("隐藏"), body, 1);
    QCOMPARE(box.pages(), QList<CToolPage*>{page});
    QVERIFY(titleButtonOf(page)->isHidden());
    QVERIFY(page->isExpanded());
    QVERIFY(!body->isHidden());
    QCOMPARE(page->widgets(), QList<QWidget*>{body});
}

void TestToolBox::foldedPageIsNotRefreshed()
{
    // Never shown: no show event refreshes the rows behind the test's back.
    CToolBox box;
    ToolPageWidget* first = makeGroup({{"Light1Value", "Light1Value", "光机亮度值1"}});
    ToolPageWidget* second = makeGroup({{"Light2Value", "Light2Value", "光机亮度值2"}});
    box.addPage(QStringLiteral("First"), QStringLiteral("第一"), first, 0);
    CToolPage* folded = box.addPage(QStringLiteral("Second"), QStringLiteral("第二"), second, 0);
    // Other content widgets take no part in refreshes.
    box.addPage(QStringLiteral("Other"), QStringLiteral("其他"), new QLabel, 0);
    folded->collapse();

    auto* firstSpin =
        qobject_cast<QSpinBox*>(qobject_cast<ToolPageWidgetItem*>(first->items().at(0))->widget());
    auto* secondSpin =
        qobject_cast<QSpinBox*>(qobject_cast<ToolPageWidgetItem*>(second->items().at(0))->widget());
    CIntegerPtr(m_device->GetNodeMap()->GetNode("Light1Value"))->SetValue(11);
    CIntegerPtr(m_device->GetNodeMap()->GetNode("Light2Value"))->SetValue(22);

    box.refresh();
    QCOMPARE(firstSpin->value(), 11);
    QCOMPARE(secondSpin->value(), 60);

    folded->expand();
    box.refresh();
    QCOMPARE(secondSpin->value(), 22);
}

void TestToolBox::languageReachesTitlesAndRows()
{
    CToolBox box;
    ToolPageWidget* group = makeGroup({{"WorkingMode", "WorkingMode", "工作模式"}});
    CToolPage* page = box.addPage(QStringLiteral("Working Engine"), QStringLiteral("工作引擎"), group, 0);
    auto* row = qobject_cast<ToolPageWidgetItem*>(group->items().at(0));
    auto* combo = qobject_cast<QComboBox*>(row->widget());

    box.setLanguageType(1);
    QCOMPARE(page->title(), QStringLiteral("工作引擎"));
    QCOMPARE(row->label()->text(), QStringLiteral("工作模式"));
    QCOMPARE(combo->currentText(), QStringLiteral("标准"));

    box.setLanguageType(0);
    QCOMPARE(page->title(), QStringLiteral("Working Engine"));
    QCOMPARE(row->label()->text(), QStringLiteral("WorkingMode"));
    QCOMPARE(combo->currentText(), QStringLiteral("Standard"));
}

void TestToolBox::spacerFollowsFold_data()
{
    QTest::addColumn<bool>("follows");
    QTest::addColumn<QSize>("foldedSize");
    QTest::addColumn<QSizePolicy::Policy>("foldedPolicy");

    QTest::newRow("follows the fold") << true << QSize(20, 40) << QSizePolicy::Expanding;
    QTest::newRow("stays collapsed") << false << QSize(0, 0) << QSizePolicy::Minimum;
}

void TestToolBox::spacerFollowsFold()
{
    QFETCH(bool, follows);
    QFETCH(QSize, foldedSize);
    QFETCH(QSizePolicy::Policy, foldedPolicy);

    CToolBox box;
    CToolPage* page = box.addPage(QStringLiteral("Group"), QStringLiteral("组"), new QLabel, 0);
    page->setSpacerFollowsFold(follows);
    QSpacerItem* spacer = spacerOf(page);
    QVERIFY(spacer);
    QCOMPARE(spacer->sizeHint(), QSize(0, 0));

    page->collapse();
    QCOMPARE(spacer->sizeHint(), foldedSize);
    QCOMPARE(spacer->sizePolicy().horizontalPolicy(), foldedPolicy);
    QCOMPARE(spacer->sizePolicy().verticalPolicy(), foldedPolicy);

    page->expand();
    QCOMPARE(spacer->sizeHint(), QSize(0, 0));
    QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
}

void TestToolBox::drawnArrowWithoutHostIcons()
{
    // The test binary carries none of the host's icons.
    QVERIFY(!QFile::exists(QStringLiteral(":/Resources/icons/camera/fold.png")));
    CToolBox box;
    CToolPage* page = box.addPage(QStringLiteral("Group"), QStringLiteral("组"), new QLabel, 0);
    const QImage unfolded = iconOf(page);
    page->collapse();
    const QImage folded = iconOf(page);

    QVERIFY(!unfolded.isNull());
    QVERIFY(!folded.isNull());
    QVERIFY(unfolded != folded);
    // Something is drawn: not every pixel is transparent.
    bool inked = false;
    for (int y = 0; y < folded.height() && !inked; ++y)
        for (int x = 0; x < folded.width() && !inked; ++x)
            inked = qAlpha(folded.pixel(x, y)) > 128;
    QVERIFY(inked);
}

void TestToolBox::pictures()
{
    CToolBox box;
    box.resize(420, 900);
    box.addPage(QStringLiteral("Trigger Control"), QStringLiteral("触发控制"),
                makeGroup({{"AcquisitionMode", "AcquisitionMode", "触发模式选择"},
                           {"TriggerSoftware", "TriggerSoftware", "生成软触发"}}),
                0);

    ToolPageWidget* image = makeGroup({{"SensorMethod", "SensorMethod", "光机选择"}});
    auto* outputs = new CComboBox;
    for (const char* kind : {"GSImage", "SrcImage", "FrontImage", "BackImage", "Quality Image"})
        outputs->addItem(QString::fromUtf8(kind),
                         qstrcmp(kind, "GSImage") == 0 || qstrcmp(kind, "FrontImage") == 0,
                         QString::fromUtf8(kind));
    auto* outputRow = new ToolPageWidgetItem;
    outputRow->setupWidget({QStringLiteral("2D Acquisition Output"), QStringLiteral("2D采集输出")}, {},
                           outputs);
    image->addItem(outputRow);
    auto* switchRow = new ToolPageWidgetItem;
    switchRow->setupWidget({QStringLiteral("Trigger Switch"), QStringLiteral("触发开关")}, {},
                           new SwitchButton);
    image->addItem(switchRow);
    box.addPage(QStringLiteral("Image Control"), QStringLiteral("图像控制"), image, 0);

    box.addPage(QStringLiteral("Brightness Control"), QStringLiteral("光亮控制"),
                makeGroup({{"Light1Selector", "Light1Selector", "光机亮度1选择"},
                           {"Light1Value", "Light1Value", "光机亮度值1"},
                           {"SensorGain", "SensorGain", "相机增益"},
                           {"SensorExposure", "SensorExposure", "相机曝光时间"},
                           {"PayloadSize", "PayloadSize", "负载大小"},
                           {"Radius", "Radius", "搜索半径"}}),
                0);
    box.addPage(QStringLiteral("Imgage Process"), QStringLiteral("图像处理"),
                makeGroup({{"SmoothingMethod", "SmoothingMethod", "平滑模式"},
                           {"Denoising", "Denoising", "是否开启去噪功能"}}),
                0);
    CToolPage* user = box.addPage(QStringLiteral("User Control"), QStringLiteral("用户控制"),
                                  makeGroup({{"UserSetSelector", "UserSetSelector", "参数方案选择"}}), 0);
    user->collapse();
    box.setLanguageType(0);

    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    // One row under the pointer, one pressed, to see the three colours.
    const QList<ToolPageWidgetItem*> rows = box.findChildren<ToolPageWidgetItem*>();
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(rows.at(0), &enter);
    QTest::mousePress(rows.at(2), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    const QPixmap english = box.grab();
    box.setLanguageType(1);
    QCoreApplication::processEvents();
    const QPixmap chinese = box.grab();
    QVERIFY(!english.isNull());
    QVERIFY(english.toImage() != chinese.toImage());

    const QString dir = qEnvironmentVariable("CAMPANE_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QVERIFY(english.save(dir + QStringLiteral("/toolbox-en.png")));
        QVERIFY(chinese.save(dir + QStringLiteral("/toolbox-zh.png")));
    }
}

QTEST_MAIN(TestToolBox)
#include "tst_toolbox.moc"
