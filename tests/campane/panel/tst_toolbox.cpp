// The tool box of foldable pages holding groups of rows bound to the
// simulated structured-light camera: folding, refresh, languages, the
// spacer, the arrow icons, and pictures of the whole in both languages.

#include "ctoolbox.h"
#include "ctoolpage.h"
#include "panelrows.h"
#include "switchbutton.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSpacerItem>
#include <QSpinBox>

using namespace GenApi;

class TestToolBox : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_device = openDevice()); }
    void cleanup() { m_device.reset(); }

    void foldedPageIsNotRefreshed()
    {
        // Never shown: no show event refreshes the rows behind the test's back.
        CToolBox box;
        ToolPageWidget* first = makeGroup(m_device->GetNodeMap(), {{"Light1Value", "光机亮度值1"}});
        ToolPageWidget* second = makeGroup(m_device->GetNodeMap(), {{"Light2Value", "光机亮度值2"}});
        box.addPage(QStringLiteral("First"), QStringLiteral("第一"), first, 0);
        CToolPage* folded = box.addPage(QStringLiteral("Second"), QStringLiteral("第二"), second, 0);
        // Other content widgets take no part in refreshes; a page of type 1 has
        // no title bar and stays unfolded.
        CToolPage* bare = box.addPage(QStringLiteral("Other"), QStringLiteral("其他"), new QLabel, 1);
        QVERIFY(bare->findChild<QPushButton*>(QStringLiteral("pushButtonFold"))->isHidden());
        QVERIFY(bare->isExpanded());
        folded->collapse();
        CIntegerPtr(m_device->GetNodeMap()->GetNode("Light1Value"))->SetValue(11);
        CIntegerPtr(m_device->GetNodeMap()->GetNode("Light2Value"))->SetValue(22);

        box.refresh();
        QCOMPARE(editorOf<QSpinBox>(first->items().at(0))->value(), 11);
        QCOMPARE(editorOf<QSpinBox>(second->items().at(0))->value(), 60);
        folded->expand();
        box.refresh();
        QCOMPARE(editorOf<QSpinBox>(second->items().at(0))->value(), 22);
    }

    void spacerFollowsFold_data()
    {
        QTest::addColumn<bool>("follows");
        QTest::addColumn<QSize>("foldedSize");
        QTest::addColumn<QSizePolicy::Policy>("foldedPolicy");

        QTest::newRow("follows the fold") << true << QSize(20, 40) << QSizePolicy::Expanding;
        QTest::newRow("stays collapsed") << false << QSize(0, 0) << QSizePolicy::Minimum;
    }

    // The spacer below a page, and the arrow beside its title, as it folds.
    void spacerFollowsFold()
    {
        QFETCH(bool, follows);
        QFETCH(QSize, foldedSize);
        QFETCH(QSizePolicy::Policy, foldedPolicy);

        CToolBox box;
        CToolPage* page = box.addPage(QStringLiteral("Group"), QStringLiteral("组"), new QLabel, 0);
        page->setSpacerFollowsFold(follows);
        auto* layout = page->findChild<QVBoxLayout*>(QStringLiteral("verticalLayout"));
        QSpacerItem* spacer = layout->itemAt(2)->spacerItem();
        QVERIFY(spacer);
        QCOMPARE(spacer->sizeHint(), QSize(0, 0));
        // Without the host's icons the page draws its arrows itself.
        QVERIFY(!QFile::exists(QStringLiteral(":/Resources/icons/camera/fold.png")));
        auto* icon = page->findChild<QLabel*>(QStringLiteral("iconLabel"));
        const QImage unfolded = icon->pixmap(Qt::ReturnByValue).toImage();

        page->collapse();
        const QImage folded = icon->pixmap(Qt::ReturnByValue).toImage();
        QVERIFY(!unfolded.isNull() && !folded.isNull() && unfolded != folded);
        bool inked = false; // something is drawn: not every pixel is transparent
        for (int i = 0; i < folded.width() * folded.height() && !inked; ++i)
            inked = qAlpha(folded.pixel(i % folded.width(), i / folded.width())) > 128;
        QVERIFY(inked);
        QCOMPARE(spacer->sizeHint(), foldedSize);
        QCOMPARE(spacer->sizePolicy().horizontalPolicy(), foldedPolicy);
        QCOMPARE(spacer->sizePolicy().verticalPolicy(), foldedPolicy);

        page->expand();
        QCOMPARE(spacer->sizeHint(), QSize(0, 0));
        QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    }

    // Page titles follow the language (the rows' own texts are the rows'
    // test); pictures of both, with one row hovered and one pressed.
    void languagesAndPictures()
    {
        INodeMap* map = m_device->GetNodeMap();
        CToolBox box;
        box.resize(420, 500);
        CToolPage* trigger = box.addPage(
            QStringLiteral("Trigger Control"), QStringLiteral("触发控制"),
            makeGroup(map, {{"AcquisitionMode", "触发模式选择"}, {"TriggerSoftware", "生成软触发"}}), 0);
        box.addPage(QStringLiteral("Brightness Control"), QStringLiteral("光亮控制"),
                    makeGroup(map, {{"Light1Value", "光机亮度值1"},
                                    {"SensorGain", "相机增益"},
                                    {"PayloadSize", "负载大小"},
                                    {"Denoising", "是否开启去噪功能"}}),
                    0);
        box.addPage(QStringLiteral("User Control"), QStringLiteral("用户控制"),
                    makeGroup(map, {{"UserSetSelector", "参数方案选择"}}), 0)
            ->collapse();
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QList<ToolPageWidgetItem*> rows = box.findChildren<ToolPageWidgetItem*>();
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(rows.at(0), &enter);
        QTest::mousePress(rows.at(2), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));

        const QString dir = qEnvironmentVariable("CAMPANE_SCREENSHOT_DIR");
        for (int language : {1, 0}) {
            box.setLanguageType(language);
            QCOMPARE(trigger->title(),
                     language ? QStringLiteral("触发控制") : QStringLiteral("Trigger Control"));
            QCOMPARE(rows.at(0)->label()->text(),
                     language ? QStringLiteral("触发模式选择") : QStringLiteral("AcquisitionMode"));
            if (!dir.isEmpty())
                QVERIFY(box.grab().save(dir + (language ? "/toolbox-zh.png" : "/toolbox-en.png")));
        }
    }

private:
    std::unique_ptr<CDeviceConnection> m_device;
};

QTEST_MAIN(TestToolBox)
#include "tst_toolbox.moc"
