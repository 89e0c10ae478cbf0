// The panel of the structured-light cameras: three tabs, six groups, forty
// rows, and the widgets of the "Shoot" tab that are not bound to one feature.

#include "camboard.h"
#include "ui_camboard.h"

#include "ccombobox.h"
#include "ctoolbox.h"
#include "ctoolpage.h"
#include "displaytexts.h"
#include "featurevalue.h"
#include "panellayout.h"
#include "selectedbutton.h"
#include "switchbutton.h"
#include "toolpagewidget.h"
#include "toolpagewidgetitem.h"

#include <Corvid/Corvid.h>
#include <GenApi/GenApi.h>

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>

namespace {

const char* const kButtonStyleSheet = "QPushButton{border: 1px solid rgb(55,56,58,60%);border-radius: 2px;}"
                                      "QPushButton::hover{background-color: rgb(216, 216, 216);}"
                                      "QPushButton::pressed{background-color: rgb(180, 180, 180);}"
                                      "QPushButton::disabled{border: 1px solid #CCCCCC;color: #CCCCCC;}";

// A text pair of the tables below: English, Chinese.
QStringList pair(const QString& english, const QString& chinese)
{
    return QStringList{english, chinese};
}

// The line of the periodic software trigger: a label, the on/off switch and
// the period in milliseconds, drawn like the rows above it. It follows the
// visibility of the "TriggerSoftware" row.
class TriggerLine : public QWidget
{
public:
    TriggerLine(QWidget* row, QLabel* label) : m_row(row), m_label(label)
    {
        setObjectName(QStringLiteral("triggerLine"));
        setFixedHeight(40);
        m_row->installEventFilter(this);
        // Showing it here would show a window: it has no parent yet.
        if (m_row->isHidden())
            hide();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_row && event->type() == QEvent::ShowToParent)
            show();
        else if (watched == m_row && event->type() == QEvent::HideToParent)
            hide();
        return false;
    }

    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(240, 240, 240));
        QWidget::paintEvent(event);
    }

    // The label is as wide as the rows' labels, so the controls line up
    // with the editors above.
    void resizeEvent(QResizeEvent* event) override
    {
        m_label->setFixedWidth(qMax(0, width() / 2 - 20));
        QWidget::resizeEvent(event);
    }

private:
    QWidget* m_row;
    QLabel* m_label;
};

} // namespace

const QList<OutputKind>& outputKinds(bool structuredLight)
{
    static const QList<OutputKind> dual = {
        {"Left2DImage", "2D Left"},           {"Right2DImage", "2D Right"},
        {"Left2DSrcImage", "Left Streak"},    {"Right2DSrcImage", "Right Streak"},
        {"Left2.5DFront", "2.5D Left Shot"},  {"Right2.5DFront", "2.5D Right Shot"},
        {"Left2.5DBack", "2.5D Left Reflex"}, {"Right2.5DBack", "2.5D Right Reflex"},
        {"QualityImage", "Quality Image"}};
    static const QList<OutputKind> single = {{"GSImage", "GSImage"},
                                             {"SrcImage", "SrcImage"},
                                             {"FrontImage", "FrontImage"},
                                             {"BackImage", "BackImage"},
                                             {"QualityImage", "Quality Image"}};
    return structuredLight ? single : dual;
}

QStringList wholeTreeFeatures()
{
    return QStringList{QStringLiteral("WorkingMode")};
}

QStringList fineFloatFeatures()
{
    return QStringList{QStringLiteral("SinData"), QStringLiteral("CosData")};
}

ToolPageWidgetItem* CamBoard::addNodeRow(ToolPageWidget* group, GenApi::INodeMap* nodeMap,
                                         const QString& node, const QStringList& title,
                                         const QStringList& description)
{
    GenApi::INode* found = nullptr;
    genApiCall("CamBoard", [&] { found = nodeMap->GetNode(toStd(node).c_str()); });
    auto* row = new ToolPageWidgetItem(group);
    row->setupNode(title, description, found, true);
    group->addItem(row);
    connect(row, &ToolPageWidgetItem::itemClicked, this, &CamBoard::onToolPageWidgetItemClicked);
    return row;
}

ToolPageWidgetItem* CamBoard::addWidgetRow(ToolPageWidget* group, const QStringList& title,
                                           const QStringList& description, QWidget* widget)
{
    auto* row = new ToolPageWidgetItem(group);
    row->setupWidget(title, description, widget);
    group->addItem(row);
    return row;
}

void CamBoard::clearPanel()
{
    // The board's own panel controls outlive the rows that may hold them.
    for (QWidget* control : std::initializer_list<QWidget*>{
             roiWidthBox, roiHeightBox, roiOffsetXBox, roiOffsetYBox, resetImageSizeButton,
             triggerIntervalBox, triggerSwitch, roiSelectButton, roiExecuteButton}) {
        if (control && control->parentWidget() != this) {
            control->hide();
            control->setParent(this);
        }
    }
    ui->firstToolBox->clear();
    ui->secondToolBox->clear();
    ui->thirdToolBox->clear();
    m_selectedRow = nullptr;
    m_lockRow = nullptr;
    m_realTimeRows.clear();
    grabOutputList = nullptr;
    showTypeList = nullptr;
    samplingRateBox = nullptr;
    userSetExecuteButton = nullptr;
    m_radiusRow = nullptr;
    m_neighborhoodsRow = nullptr;
    m_triggerLine = nullptr;
    // The next build may be of another device (the default board follows
    // the focused camera).
    m_absentKinds.clear();
}

void CamBoard::buildStructuredLightLayout(GenApi::INodeMap* nodeMap)
{
    const QStringList none = pair(QStringLiteral("None"), QString());

    // Tab "Shoot".
    auto* trigger = new ToolPageWidget;
    addNodeRow(trigger, nodeMap, QStringLiteral("AcquisitionMode"),
               pair(QStringLiteral("AcquisitionMode"), QStringLiteral("触发模式选择")),
               pair(QStringLiteral(
                        "The camera captures the trigger signal before each frame of the image. After the "
                        "camera is running, it will only start collecting when it receives a frame "
                        "trigger signal. Optional soft trigger, free collection, or hard trigger."),
                    QStringLiteral(
                        "相机采集每一帧图像前的触发信号。相机运行后只有接收到了帧触发信号，才会开始进行采集"
                        "。可选择软触发、自由采集或者硬触发。")));
    ToolPageWidgetItem* triggerRow =
        addNodeRow(trigger, nodeMap, QStringLiteral("TriggerSoftware"),
                   pair(QStringLiteral("TriggerSoftware"), QStringLiteral("生成软触发")),
                   pair(QStringLiteral("Controlled by an external program to trigger a signal for shooting."),
                        QStringLiteral("由外部程序控制给触发信号进行拍摄触发。")));
    trigger->addItem(createTriggerLine(triggerRow));
    ui->firstToolBox->addPage(QStringLiteral("Trigger Control"), QStringLiteral("触发控制"), trigger, 0);

    auto* image = new ToolPageWidget;
    addNodeRow(
        image, nodeMap, QStringLiteral("SensorMethod"),
        pair(QStringLiteral("SensorMethod"), QStringLiteral("光机选择")),
        pair(QStringLiteral("Can choose between dual light machine working mode, left light machine working "
                            "mode, or right light machine working mode."),
             QStringLiteral("可选择双光机工作模式、左光机工作或右光机工作模式。")));
    createOutputWidgets();
    ToolPageWidgetItem* outputRow = addWidgetRow(
        image, pair(QStringLiteral("2D Acquisition Output"), QStringLiteral("2D采集输出")),
        pair(QStringLiteral(
                 "You can choose to output 2D images, stripe patterns, 2.5D orthorectified images, 2.5D "
                 "reflectance images, and multiple selections are available."),
             QStringLiteral("可选择输出2D图、条纹图、2.5D正射图、2.5D反射图、可多选。")),
        grabOutputList);
    connect(outputRow, &ToolPageWidgetItem::itemClicked, this, &CamBoard::onToolPageWidgetItemClicked);
    grabOutputList->setShowToolTip(true);
    ToolPageWidgetItem* showRow =
        addWidgetRow(image, pair(QStringLiteral("2D Image Show"), QStringLiteral("2D采集显示")),
                     pair(QStringLiteral("Display the captured output images on the software interface."),
                          QStringLiteral("在软件界面上显示采集输出的图像。")),
                     showTypeList);
    connect(showRow, &ToolPageWidgetItem::itemClicked, this, &CamBoard::onToolPageWidgetItemClicked);
    addNodeRow(image, nodeMap, QStringLiteral("Bining"),
               pair(QStringLiteral("Binning"), QStringLiteral("Binning")), none);
    addRoiRows(image, nodeMap);
    ui->firstToolBox->addPage(QStringLiteral("Image Control"), QStringLiteral("图像控制"), image, 0);

    auto* engine = new ToolPageWidget;
    addNodeRow(engine, nodeMap, QStringLiteral("WorkingMode"),
               pair(QStringLiteral("WorkingMode"), QStringLiteral("工作模式")),
               pair(QStringLiteral(
                        "The working modes are divided into standard, fast, and high-precision modes. The "
                        "fast mode sacrifices a certain degree of accuracy for calculation speed, while "
                        "the high-precision mode increases post-processing to improve accuracy."),
                    QStringLiteral(
                        "工作模式分为标准、快速、高精度模式，快速模式为牺牲一定的精度换取计算速度，高精度模"
                        "式为增加了后处理从而提高精度。")));
    addNodeRow(
        engine, nodeMap, QStringLiteral("VisionEngine"),
        pair(QStringLiteral("VisionEngine"), QStringLiteral("视觉引擎")),
        pair(QStringLiteral("Divided into phase shift and Gray code, they are different structured light "
                            "stripe patterns."),
             QStringLiteral("分为相移和格雷码，是不同的结构光条纹模式。")));
    createSamplingRateBox();
    // The one row whose click leaves the description alone.
    addWidgetRow(
        engine, pair(QStringLiteral("Sampling Rate"), QStringLiteral("采样率")),
        pair(QStringLiteral("Set the data sampling rate to reduce the number of rows or columns of the "
                            "camera used to capture the laser profile, thereby reducing the resolution. The "
                            "setting range is {1,2,4,8,16,32,64,128}"),
             QStringLiteral("设定数据采样率，可减少用于采集激光轮廓的相机的行或列的数量，从而降低分辨率。设定"
                            "范围为{2,4,8}")),
        samplingRateBox);
    ui->firstToolBox->addPage(QStringLiteral("Working Engine"), QStringLiteral("工作引擎"), engine, 0);

    // Tab "Image".
    const QStringList selectorText = pair(
        QStringLiteral(
            "The number of times the optical machine can be operated can be selected, and each "
            "additional optical machine brightness can be selected. The optical machine can operate once "
            "more, up to three times, and the brightness of the optical machine can be adjusted each "
            "time."),
        QStringLiteral(
            "可选择光机工作次数，每多选择一个光机亮度光机多工作一次，最多三次，每次均可调节光机亮度。"));
    const QStringList rayText =
        pair(QStringLiteral("The time from the start of exposure to the end of light machine."),
             QStringLiteral("光机从开始曝光到结束的时间。"));
    auto* brightness = new ToolPageWidget;
    addNodeRow(brightness, nodeMap, QStringLiteral("Light1Selector"),
               pair(QStringLiteral("Light1Selector"), QStringLiteral("光机亮度1选择")), selectorText);
    addNodeRow(brightness, nodeMap, QStringLiteral("Light1Mode"),
               pair(QStringLiteral("Light1Mode"), QStringLiteral("光源1模式")), none);
    addNodeRow(brightness, nodeMap, QStringLiteral("Light1Value"),
               pair(QStringLiteral("Light1Value"), QStringLiteral("光机亮度值1")),
               pair(QStringLiteral("Adjust the brightness of the first optical machine operation."),
                    QStringLiteral("调节第一次光机工作亮度。")));
    addNodeRow(brightness, nodeMap, QStringLiteral("Light2Selector"),
               pair(QStringLiteral("Light2Selector"), QStringLiteral("光机亮度2选择")), selectorText);
    addNodeRow(brightness, nodeMap, QStringLiteral("Light2Mode"),
               pair(QStringLiteral("Light2Mode"), QStringLiteral("光源2模式")), none);
    addNodeRow(brightness, nodeMap, QStringLiteral("Light2Value"),
               pair(QStringLiteral("Light2Value"), QStringLiteral("光机亮度值2")),
               pair(QStringLiteral("Adjust the brightness of the second optical machine operation."),
                    QStringLiteral("调节第二次光机工作亮度。")));
    addNodeRow(brightness, nodeMap, QStringLiteral("Light3Selector"),
               pair(QStringLiteral("Light3Selector"), QStringLiteral("光机亮度3选择")), selectorText);
    addNodeRow(brightness, nodeMap, QStringLiteral("Light3Mode"),
               pair(QStringLiteral("Light3Mode"), QStringLiteral("光源3模式")), none);
    addNodeRow(brightness, nodeMap, QStringLiteral("Light3Value"),
               pair(QStringLiteral("Light3Value"), QStringLiteral("光机亮度值3")),
               pair(QStringLiteral("Adjust the brightness of the third optical machine operation."),
                    QStringLiteral("调节第三次光机工作亮度。")));
    addNodeRow(brightness, nodeMap, QStringLiteral("SensorGain"),
               pair(QStringLiteral("SensorGain"), QStringLiteral("相机增益")),
               pair(QStringLiteral("Used to enhance image brightness in low light conditions."),
                    QStringLiteral("用于光线不足的情况下提升图像亮度。")));
    addNodeRow(brightness, nodeMap, QStringLiteral("SensorExposure"),
               pair(QStringLiteral("SensorExposure"), QStringLiteral("相机曝光时间")),
               pair(QStringLiteral(
                        "The time the light falls on the image sensor, the larger the value, the brighter "
                        "the image."),
                    QStringLiteral("光线落在图像传感器上的时间，数值越大图像越亮。")));
    addNodeRow(brightness, nodeMap, QStringLiteral("LeftRayExpTime"),
               pair(QStringLiteral("LeftRayExpTime"), QStringLiteral("左光机曝光时间")), rayText);
    if (m_isStructuredLight)
        addNodeRow(brightness, nodeMap, QStringLiteral("RayExpTime"),
                   pair(QStringLiteral("RayExpTime"), QStringLiteral("光机曝光时间")), rayText);
    else
        addNodeRow(brightness, nodeMap, QStringLiteral("RightRayExpTime"),
                   pair(QStringLiteral("RightRayExpTime"), QStringLiteral("右光机曝光时间")), rayText);
    ui->secondToolBox->addPage(QStringLiteral("Brightness Control"), QStringLiteral("光亮控制"), brightness,
                               0);

    const QStringList brightnessText = pair(
        QStringLiteral("Determine whether the pixel value is within the low brightness and high brightness "
                       "range, and set it as an invalid point if it is not within the range."),
        QStringLiteral("判断像素值是否在低亮度值和高亮度区间内，不在区间内设置为无效点。"));
    const QStringList truncationText =
        pair(QStringLiteral(
                 "Point cloud map height filtering, depth map binarization, points outside the high and "
                 "low threshold ranges are set as invalid points."),
             QStringLiteral("点云图高度过滤，深度图二值化，在高低阈值范围外的点设置为无效点。"));
    auto* process = new ToolPageWidget;
    addNodeRow(
        process, nodeMap, QStringLiteral("Contrast"),
        pair(QStringLiteral("Contrast"), QStringLiteral("对比度")),
        pair(QStringLiteral("Controlling the quality of stripe images by controlling the contrast between "
                            "light and dark."),
             QStringLiteral("通过控制明暗对比来控制条纹图像质量。")));
    addNodeRow(process, nodeMap, QStringLiteral("Modulation"),
               pair(QStringLiteral("Modulation"), QStringLiteral("调制度")),
               pair(QStringLiteral("Control color balance, contrast, brightness to control image quality."),
                    QStringLiteral("控制色彩平衡、对比度、亮度控制图像质量。")));
    addNodeRow(
        process, nodeMap, QStringLiteral("QualityScoreThreshold"),
        pair(QStringLiteral("QualityScoreThreshold"), QStringLiteral("质量阈值")),
        pair(QStringLiteral("Judge the 3D imaging quality based on the quality map, and filter the imaging "
                            "noise according to the quality threshold."),
             QStringLiteral("依据质量图判断3D成像质量，根据质量阈值过滤的成像噪点。")));
    addNodeRow(process, nodeMap, QStringLiteral("LowBrightness"),
               pair(QStringLiteral("LowBrightness"), QStringLiteral("低亮度过滤")), brightnessText);
    addNodeRow(process, nodeMap, QStringLiteral("HighBrightness"),
               pair(QStringLiteral("Brightness"), QStringLiteral("高亮度过滤")), brightnessText);
    addNodeRow(
        process, nodeMap, QStringLiteral("FilterThreshold"),
        pair(QStringLiteral("FilterThreshold"), QStringLiteral("滤波核阈值")),
        pair(QStringLiteral("After unfolding the phase, perform mean filtering on the phase to determine if "
                            "there are any errors, as well as height filtering."),
             QStringLiteral("相位展开后对相位进行均值滤波判断相位是否有误，以及高度滤波。")));
    addNodeRow(
        process, nodeMap, QStringLiteral("HighFilteringThreshold"),
        pair(QStringLiteral("HighFilteringThreshold"), QStringLiteral("高度过滤阈值")),
        pair(QStringLiteral("Setting the height above the threshold before and after filtering as an invalid "
                            "point."),
             QStringLiteral("滤波前后高度超过阈值设置为无效点。")));
    addNodeRow(
        process, nodeMap, QStringLiteral("SmoothingMethod"),
        pair(QStringLiteral("SmoothingMethod"), QStringLiteral("平滑模式")),
        pair(QStringLiteral("Reduce jagged edges to make lines smooth, there are two types: average and "
                            "Gaussian filtering."),
             QStringLiteral("减少锯齿使线条平滑，有均值和高斯滤波两种。")));
    addNodeRow(process, nodeMap, QStringLiteral("WindowDiameter"),
               pair(QStringLiteral("WindowDiameter"), QStringLiteral("平滑滤波核大小")),
               pair(QStringLiteral("Smooth filtering kernel range."), QStringLiteral("平滑滤波核范围。")));
    addNodeRow(process, nodeMap, QStringLiteral("HighTruncation"),
               pair(QStringLiteral("HighTruncation"), QStringLiteral("高度截取高阈值")), truncationText);
    addNodeRow(process, nodeMap, QStringLiteral("LowTruncation"),
               pair(QStringLiteral("LowTruncation"), QStringLiteral("高度截取低阈值")), truncationText);
    addNodeRow(
        process, nodeMap, QStringLiteral("FillThreshold"),
        pair(QStringLiteral("FillThreshold"), QStringLiteral("填充阈值")),
        pair(QStringLiteral("Search for reliable data within the window range of this parameter for filling, "
                            "and the larger the parameter, the stronger the hole filling effect."),
             QStringLiteral("在该参数的窗口范围内寻找可靠数据进行填充，参数越大补洞效果越强。")));
    ToolPageWidgetItem* denoising =
        addNodeRow(process, nodeMap, QStringLiteral("Denoising"),
                   pair(QStringLiteral("Denoising"), QStringLiteral("是否开启去噪功能")),
                   pair(QStringLiteral("Used to improve image quality and accuracy."),
                        QStringLiteral("用于提高图像质量和准确性。")));
    m_radiusRow = addNodeRow(process, nodeMap, QStringLiteral("Radius"),
                             pair(QStringLiteral("Radius"), QStringLiteral("搜索半径")),
                             pair(QStringLiteral("Determine the size of the processed area."),
                                  QStringLiteral("确定被处理区域大小。")));
    m_neighborhoodsRow =
        addNodeRow(process, nodeMap, QStringLiteral("Neighborhoods"),
                   pair(QStringLiteral("Neighborhoods"), QStringLiteral("邻域数量")),
                   pair(QStringLiteral("The number of surrounding points considered when removing noise."),
                        QStringLiteral("去除噪声时考虑的周围点的数量。")));
    // Answers changes only: at build the rows follow their nodes' availability.
    connect(denoising, &ToolPageWidgetItem::valueChanged, this, &CamBoard::onDenoisingChanged);
    ui->secondToolBox->addPage(QStringLiteral("Imgage Process"), QStringLiteral("图像处理"), process, 0);

    // Tab "Advance".
    auto* user = new ToolPageWidget;
    addNodeRow(user, nodeMap, QStringLiteral("UserSetSelector"),
               pair(QStringLiteral("UserSetSelector"), QStringLiteral("参数方案选择")),
               pair(QStringLiteral(
                        "Select the pre stored parameter scheme, which can pre store 5 parameter schemes."),
                    QStringLiteral("选择预存参数方案，可预存5个参数方案。")));
    createUserSetButton();
    ToolPageWidgetItem* loadRow =
        addWidgetRow(user, pair(QStringLiteral("UserSetLoad"), QStringLiteral("参数加载")),
                     pair(QStringLiteral("Load the selected pre storage scheme."),
                          QStringLiteral("加载已选择的预存方案。")),
                     userSetExecuteButton);
    connect(loadRow, &ToolPageWidgetItem::itemClicked, this, &CamBoard::onToolPageWidgetItemClicked);
    addNodeRow(user, nodeMap, QStringLiteral("UserSetSave"),
               pair(QStringLiteral("UserSetSave"), QStringLiteral("参数保存")),
               pair(QStringLiteral("Save the configured parameter scheme."),
                    QStringLiteral("保存已经配置好的参数方案。")));
    ui->thirdToolBox->addPage(QStringLiteral("User Control"), QStringLiteral("用户控制"), user, 0);

    hideEmptyGroups();
    ui->firstToolBox->setLanguageType(m_language);
    ui->secondToolBox->setLanguageType(m_language);
    ui->thirdToolBox->setLanguageType(m_language);
    retranslateTriggerLine();
    // The image view follows the initial choice, once, in the language the
    // list now shows.
    if (showTypeList->currentIndex() > 0)
        on2DShowTypeChanged(showTypeList->currentIndex());
    applyLock();
}

void CamBoard::createOutputWidgets()
{
    grabOutputList = new CComboBox;
    grabOutputList->setObjectName(QStringLiteral("grabOutputList"));
    showTypeList = new QComboBox;
    showTypeList->setObjectName(QStringLiteral("showTypeList"));
    showTypeList->addItem(QLatin1String(kDash));

    QStringList shown;
    for (const OutputKind& kind : outputKinds(m_isStructuredLight)) {
        const bool on = outputKindOn(kind.feature);
        const QString display = QLatin1String(kind.text);
        if (on) {
            showTypeList->addItem(display);
            shown << display;
        }
        grabOutputList->addItem(display, on, display);
    }

    connect(grabOutputList, &CComboBox::itemCheckedStatusChanged, this,
            [this](int index, bool checked) { on2DGrabOutputChanged(index, checked); });
    connect(grabOutputList, &CComboBox::showPopupEvent, this, &CamBoard::onGrabOutputPopupShown);
    connect(grabOutputList, &CComboBox::hidePopupEvent, this, &CamBoard::onGrabOutputPopupHidden);
    // A camera with no kind on starts with a checked "-".
    emit grabOutputList->hidePopupEvent();

    connect(showTypeList, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CamBoard::on2DShowTypeChanged);
    if (!shown.isEmpty()) {
        const QSignalBlocker blocker(showTypeList);
        showTypeList->setCurrentText(shown.first());
    }
}

void CamBoard::onGrabOutputPopupShown()
{
    const int dash = grabOutputList->findText(QLatin1String(kDash));
    if (dash >= 0) {
        grabOutputList->removeItem(dash);
        grabOutputList->updateText();
    }
}

void CamBoard::onGrabOutputPopupHidden()
{
    if (grabOutputList->checkedIndexes().isEmpty() && grabOutputList->findText(QLatin1String(kDash)) < 0)
        grabOutputList->addItem(QLatin1String(kDash), true, QLatin1String(kDash));
}

void CamBoard::createSamplingRateBox()
{
    samplingRateBox = new QComboBox;
    samplingRateBox->setObjectName(QStringLiteral("samplingRateBox"));
    QString stored = fromStd(Corvid::GetCameraInfo(toStd(m_deviceId), Corvid::CAM_INFO_SAMPLING_RATE));
    if (stored == QLatin1String("0"))
        stored = QStringLiteral("4");
    samplingRateBox->addItems(QStringList{QStringLiteral("8"), QStringLiteral("4"), QStringLiteral("2")});
    samplingRateBox->setCurrentText(stored);
    samplingRateBox->setStyleSheet(QStringLiteral("QComboBox QAbstractItemView:item { height: 50px; }"));
    connect(samplingRateBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int) {
        Corvid::SetCameraInfo(toStd(m_deviceId), Corvid::CAM_INFO_SAMPLING_RATE,
                              toStd(samplingRateBox->currentText()));
    });
}

void CamBoard::createUserSetButton()
{
    userSetExecuteButton = new QPushButton(QStringLiteral("Execute"));
    userSetExecuteButton->setObjectName(QStringLiteral("userSetExecuteButton"));
    userSetExecuteButton->setStyleSheet(QLatin1String(kButtonStyleSheet));
    userSetExecuteButton->setFixedHeight(34);
    userSetExecuteButton->setMinimumWidth(150);
    connect(userSetExecuteButton, &QPushButton::clicked, this, &CamBoard::onUserSetLoadButtonClicked);
}

QWidget* CamBoard::createTriggerLine(ToolPageWidgetItem* triggerRow)
{
    auto* label = new QLabel;
    label->setObjectName(QStringLiteral("triggerLabel"));
    label->setAttribute(Qt::WA_TranslucentBackground);
    auto* line = new TriggerLine(triggerRow, label);

    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(30, 3, 10, 3);
    layout->addWidget(label);
    triggerSwitch->setParent(line);
    triggerSwitch->setFixedSize(44, 20);
    triggerSwitch->show();
    layout->addWidget(triggerSwitch);
    layout->addSpacing(8);
    triggerIntervalBox->setParent(line);
    triggerIntervalBox->setFixedHeight(34);
    triggerIntervalBox->setMinimumWidth(98);
    triggerIntervalBox->setContextMenuPolicy(Qt::NoContextMenu);
    triggerIntervalBox->show();
    layout->addWidget(triggerIntervalBox);
    layout->addStretch(1);
    m_triggerLine = line;
    return line;
}

void CamBoard::retranslateTriggerLine()
{
    if (!m_triggerLine)
        return;
    if (auto* label = m_triggerLine->findChild<QLabel*>(QStringLiteral("triggerLabel")))
        label->setText(tr("Periodic Trigger"));
    triggerIntervalBox->setSuffix(tr(" ms"));
    triggerIntervalBox->setToolTip(tr("Trigger period"));
    triggerSwitch->setToolTip(tr("Sends TriggerSoftware once per period while on"));
}

void CamBoard::hideEmptyGroups()
{
    for (CToolBox* box : {ui->firstToolBox, ui->secondToolBox, ui->thirdToolBox}) {
        for (CToolPage* page : box->pages()) {
            const auto* group = page->findChild<ToolPageWidget*>();
            if (!group)
                continue;
            // A row shows a node the device has, or a control of the board's
            // own; a row whose node the device lacks never shows. Lines that
            // are not rows go with a row (the periodic trigger's line).
            bool shows = false;
            for (QWidget* widget : group->items()) {
                const auto* row = qobject_cast<ToolPageWidgetItem*>(widget);
                if (row && (row->node() || row->widget()))
                    shows = true;
            }
            page->setVisible(shows);
        }
    }
}
