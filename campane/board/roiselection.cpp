// The region of interest: a selection button starts drawing a region on the
// host's image view, four spin boxes edit it inside the image the camera
// gives now, and an execute button writes it to Width, Height, OffsetX and
// OffsetY. The rows sit in the "Image Control" group, for cameras that have
// the four features.

#include "camboard.h"

#include "featurepolicy.h"
#include "selectedbutton.h"
#include "toolpagewidget.h"
#include "toolpagewidgetitem.h"

#include <Corvid/Corvid.h>
#include <GenApi/GenApi.h>

#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <limits>

namespace {

const char* const kButtonStyleSheet = "QPushButton{border: 1px solid rgb(55,56,58,60%);border-radius: 2px;}"
                                      "QPushButton::hover{background-color: rgb(216, 216, 216);}"
                                      "QPushButton::pressed{background-color: rgb(180, 180, 180);}"
                                      "QPushButton::disabled{border: 1px solid #CCCCCC;color: #CCCCCC;}";

const char* const kRoiFeatures[] = {"Width", "Height", "OffsetX", "OffsetY"};

int toSpinValue(qint64 value)
{
    return int(
        qBound(qint64(std::numeric_limits<int>::min()), value, qint64(std::numeric_limits<int>::max())));
}

// A feature's figures as a read leaves them.
struct IntegerFigures
{
    qint64 value = 0;
    qint64 minimum = 0;
    qint64 maximum = 0;
    qint64 increment = 1;
};

} // namespace

void CamBoard::setUpRoiControls()
{
    roiSelectButton->setStyleSheet(roiSelectButton->styleSheet());
    roiExecuteButton->setStyleSheet(QLatin1String(kButtonStyleSheet));
    resetImageSizeButton->setStyleSheet(QLatin1String(kButtonStyleSheet));
    connect(roiSelectButton, &QPushButton::clicked, this, &CamBoard::onRoiSelectedButtonClicked);
    connect(roiExecuteButton, &QPushButton::clicked, this, &CamBoard::onExecDrawButtonClicked);
    connect(resetImageSizeButton, &QPushButton::clicked, this, &CamBoard::onResetImageSizeButtonClicked);
    for (QSpinBox* box : {roiWidthBox, roiHeightBox, roiOffsetXBox, roiOffsetYBox})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &CamBoard::onDrawParametersButtonClicked);
}

void CamBoard::addRoiRows(ToolPageWidget* group, GenApi::INodeMap* nodeMap)
{
    m_roiRows.clear();
    m_roiWidgets.clear();
    m_roiLine = nullptr;
    bool complete = nodeMap != nullptr;
    for (const char* feature : kRoiFeatures) {
        if (complete)
            genApiCall("CamBoard", [&] { complete = nodeMap->GetNode(feature) != nullptr; });
    }
    if (!complete)
        return;

    // The buttons on one line: select, execute, reset.
    auto* line = new QWidget;
    line->setObjectName(QStringLiteral("roiLine"));
    line->setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    for (QPushButton* button :
         {static_cast<QPushButton*>(roiSelectButton), roiExecuteButton, resetImageSizeButton}) {
        button->setParent(line);
        button->setFixedHeight(30);
        button->setMinimumWidth(64);
        button->show();
        layout->addWidget(button);
    }
    m_roiLine = line;
    addWidgetRow(
        group, QStringList{QStringLiteral("Region of Interest"), QStringLiteral("感兴趣区域")},
        QStringList{QStringLiteral("Select a region on the image, adjust it in the boxes below and "
                                   "execute it to make it the camera's image."),
                    QStringLiteral("在图像上选择区域，在下方输入框中调整，执行后成为相机的图像区域。")},
        line);

    const QStringList titles[] = {{QStringLiteral("Width"), QStringLiteral("宽度")},
                                  {QStringLiteral("Height"), QStringLiteral("高度")},
                                  {QStringLiteral("OffsetX"), QStringLiteral("X偏移")},
                                  {QStringLiteral("OffsetY"), QStringLiteral("Y偏移")}};
    const QStringList none{QStringLiteral("None"), QString()};
    QSpinBox* boxes[] = {roiWidthBox, roiHeightBox, roiOffsetXBox, roiOffsetYBox};
    for (int i = 0; i < 4; ++i)
        m_roiRows << addNodeRow(group, nodeMap, QLatin1String(kRoiFeatures[i]), titles[i], none);
    for (int i = 0; i < 4; ++i) {
        QSpinBox* box = boxes[i];
        box->setFixedHeight(34);
        box->setMinimumWidth(98);
        box->show();
        // The same titles as the feature rows they stand in for.
        ToolPageWidgetItem* row = addWidgetRow(group, titles[i], none, box);
        row->hide();
        m_roiWidgets << row;
    }
    // A rebuild ends a drawing phase: the region leaves the image view.
    if (roiSelectButton->isSelected()) {
        Corvid::RomoveROI(toStd(m_deviceId), roiId);
        roiSelectButton->setSelected(false);
    }
    roiExecuteButton->setEnabled(false);
    resetImageSizeButton->setEnabled(true);
    retranslateRoiControls();
}

void CamBoard::retranslateRoiControls()
{
    roiSelectButton->setText(tr("Select"));
    roiSelectButton->setToolTip(tr("Draws a region on the image view; click again to stop"));
    roiExecuteButton->setText(tr("Execute"));
    roiExecuteButton->setToolTip(tr("Makes the region the camera's image"));
    resetImageSizeButton->setText(tr("Reset"));
}

int CamBoard::readIntegerFeature(const QString& name, qint64& value, qint64& minimum, qint64& maximum,
                                 qint64& increment) const
{
    const std::shared_ptr<GenApi::INodeMap> nodeMap =
        Corvid::AcquireAttrNodeMap(Corvid::FOCUS_CAMERA, toStd(m_deviceId), Corvid::NODEMAP_REMOTE_DEVICE);
    if (!nodeMap)
        return -1;
    int status = 0;
    const GenApiOutcome outcome = genApiCall("CamBoard", [&] {
        const FeatureValue feature(nodeMap->GetNode(toGc(name)), name);
        if (!feature.isValid()) {
            status = -2;
            return;
        }
        if (feature.kind() != FeatureKind::Integer)
            return; // not an integer: nothing to read
        if (!isReadableMode(feature.accessMode())) {
            status = -3;
            return;
        }
        value = feature.value(FeaturePolicy::region()).toLongLong();
        const FeatureLimits limits = feature.limits();
        minimum = limits.minimum.toLongLong();
        maximum = limits.maximum.toLongLong();
        increment = limits.increment.toLongLong();
    });
    return outcome == GenApiOutcome::Done ? status : -4;
}

int CamBoard::writeIntegerFeature(const QString& name, qint64 value)
{
    const std::shared_ptr<GenApi::INodeMap> nodeMap =
        Corvid::AcquireAttrNodeMap(Corvid::FOCUS_CAMERA, toStd(m_deviceId), Corvid::NODEMAP_REMOTE_DEVICE);
    if (!nodeMap)
        return -1;
    FeatureValue feature;
    FeatureKind kind = FeatureKind::None;
    const GenApiOutcome found = genApiCall("CamBoard", [&] {
        feature = FeatureValue(nodeMap->GetNode(toGc(name)), name);
        kind = feature.kind();
    });
    if (found != GenApiOutcome::Done)
        return -4;
    if (!feature.isValid())
        return -2;
    if (kind != FeatureKind::Integer)
        return 0;
    const FeatureWrite write = feature.write(qlonglong(value), FeaturePolicy::regionWrite(), "CamBoard");
    if (!write.writable)
        return -3;
    if (write.error.isGeneric())
        reportFeature({QByteArrayLiteral("CamBoard"), 0, m_deviceId}, write.error,
                      refusedWriteText(write.error));
    return write.error.failed() ? -4 : 0;
}

void CamBoard::onRoiSelectedButtonClicked()
{
    const std::string id = toStd(m_deviceId);
    if (!roiSelectButton->isSelected()) {
        Corvid::RomoveROI(id, roiId);
        for (ToolPageWidgetItem* row : qAsConst(m_roiRows)) {
            row->show();
            row->setHiddenAuto(true);
        }
        for (QWidget* widget : qAsConst(m_roiWidgets))
            widget->hide();
        resetImageSizeButton->setEnabled(true);
        roiExecuteButton->setEnabled(false);
        return;
    }

    std::string width;
    std::string height;
    bool flag = false;
    const bool sized = Corvid::GetCameraNodeValue(id, "Width", width) == 0 &&
                       Corvid::GetCameraNodeValue(id, "Height", height) == 0;
    if (sized) {
        const int result =
            Corvid::DrawROI(id, 0, 0, fromStd(width).toInt(), fromStd(height).toInt(), roiId, flag, 0, 0);
        flag = flag && result == 0;
    }
    if (!flag) {
        // No region to edit: the button goes back to off rather than
        // claiming a drawing phase that did not start.
        roiSelectButton->setSelected(false);
        roiExecuteButton->setEnabled(false);
        return;
    }

    for (ToolPageWidgetItem* row : qAsConst(m_roiRows)) {
        row->hide();
        row->setHiddenAuto(false);
    }
    for (QWidget* widget : qAsConst(m_roiWidgets))
        widget->show();

    // A read that fails leaves the box's previous settings.
    auto current = [](QSpinBox* box) {
        return IntegerFigures{box->value(), box->minimum(), box->maximum(), box->singleStep()};
    };
    IntegerFigures offsetX = current(roiOffsetXBox);
    IntegerFigures offsetY = current(roiOffsetYBox);
    IntegerFigures w = current(roiWidthBox);
    IntegerFigures h = current(roiHeightBox);
    for (auto* f : {&offsetX, &offsetY, &w, &h}) {
        const QString name = f == &offsetX   ? QStringLiteral("OffsetX")
                             : f == &offsetY ? QStringLiteral("OffsetY")
                             : f == &w       ? QStringLiteral("Width")
                                             : QStringLiteral("Height");
        readIntegerFeature(name, f->value, f->minimum, f->maximum, f->increment);
    }

    {
        const QSignalBlocker blockHeight(roiHeightBox);
        const QSignalBlocker blockWidth(roiWidthBox);
        const QSignalBlocker blockX(roiOffsetXBox);
        const QSignalBlocker blockY(roiOffsetYBox);
        roiHeightBox->setRange(toSpinValue(h.minimum), toSpinValue(h.value));
        roiHeightBox->setSingleStep(toSpinValue(h.increment));
        roiHeightBox->setValue(toSpinValue(h.value));
        roiWidthBox->setRange(toSpinValue(w.minimum), toSpinValue(w.value));
        roiWidthBox->setSingleStep(toSpinValue(w.increment));
        roiWidthBox->setValue(toSpinValue(w.value));
        roiOffsetXBox->setRange(toSpinValue(offsetX.value), toSpinValue(offsetX.value));
        roiOffsetXBox->setSingleStep(toSpinValue(offsetX.increment));
        roiOffsetXBox->setValue(toSpinValue(offsetX.value));
        roiOffsetYBox->setRange(toSpinValue(offsetY.value), toSpinValue(offsetY.value));
        roiOffsetYBox->setSingleStep(toSpinValue(offsetY.increment));
        roiOffsetYBox->setValue(toSpinValue(offsetY.value));
    }
    roiBottomLimit = toSpinValue(h.value + offsetY.value);
    roiRightLimit = toSpinValue(w.value + offsetX.value);
    resetImageSizeButton->setEnabled(false);
    roiExecuteButton->setEnabled(true);
}

void CamBoard::onDrawParametersButtonClicked()
{
    QObject* box = sender();
    if (box == roiHeightBox)
        roiOffsetYBox->setMaximum(roiBottomLimit - roiHeightBox->value());
    else if (box == roiWidthBox)
        roiOffsetXBox->setMaximum(roiRightLimit - roiWidthBox->value());
    else if (box == roiOffsetXBox)
        roiWidthBox->setMaximum(roiRightLimit - roiOffsetXBox->value());
    else if (box == roiOffsetYBox)
        roiHeightBox->setMaximum(roiBottomLimit - roiOffsetYBox->value());
    else
        return;

    const int left = roiOffsetXBox->value() - roiOffsetXBox->minimum();
    const int top = roiOffsetYBox->value() - roiOffsetYBox->minimum();
    const int right = left + roiWidthBox->value();
    const int bottom = top + roiHeightBox->value();
    if (!roiOffsetXBox->signalsBlocked())
        Corvid::SetROIPos(toStd(m_deviceId), roiId, left, top, right, bottom);
}

void CamBoard::applyRoiPosition(int leftX, int leftY, int rightX, int rightY)
{
    if (!roiSelectButton->isSelected() || !roiExecuteButton->isEnabled())
        return; // not in the drawing phase
    // A region from the mouse lands on the rows' steps, then goes through
    // the rows as an edit would: the size first (which makes room for the
    // offset), then the offset, then the size again where the old offset
    // held it back.
    auto onStep = [](QSpinBox* box, int value) {
        const int step = qMax(1, box->singleStep());
        return box->minimum() + qRound(double(value - box->minimum()) / step) * step;
    };
    auto apply = [&](QSpinBox* size, QSpinBox* offset, int limit, int start, int end) {
        const int wanted = onStep(size, qMax(1, end - start));
        size->setValue(wanted);
        offset->setMaximum(limit - size->value());
        offset->setValue(onStep(offset, offset->minimum() + start));
        if (size->value() != wanted)
            size->setValue(wanted);
    };
    apply(roiWidthBox, roiOffsetXBox, roiRightLimit, qMin(leftX, rightX), qMax(leftX, rightX));
    apply(roiHeightBox, roiOffsetYBox, roiBottomLimit, qMin(leftY, rightY), qMax(leftY, rightY));
}

void CamBoard::onExecDrawButtonClicked()
{
    if (roiSelectButton->isSelected())
        roiSelectButton->click();
    writeIntegerFeature(QStringLiteral("Width"), roiWidthBox->value());
    writeIntegerFeature(QStringLiteral("Height"), roiHeightBox->value());
    writeIntegerFeature(QStringLiteral("OffsetX"), roiOffsetXBox->value());
    writeIntegerFeature(QStringLiteral("OffsetY"), roiOffsetYBox->value());
    for (ToolPageWidgetItem* row : qAsConst(m_roiRows))
        row->refresh(false);
}

void CamBoard::onResetImageSizeButtonClicked() {}
