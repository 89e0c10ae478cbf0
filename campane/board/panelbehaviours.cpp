// What the panel does beyond editing one feature in one row: the periodic
// software trigger, loading a user set, the denoising rows that follow their
// switch, the 2D image kinds that the camera outputs and the one the host's
// image view shows, and the lock.

#include "camboard.h"
#include "ui_camboard.h"

#include "ccombobox.h"
#include "ctoolbox.h"
#include "displaytexts.h"
#include "featurevalue.h"
#include "panellayout.h"
#include "switchbutton.h"
#include "toolpagewidget.h"
#include "toolpagewidgetitem.h"

#include <Corvid/Corvid.h>
#include <GenApi/GenApi.h>

#include <QComboBox>
#include <QHash>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTimer>

namespace {

// How long a camera takes to apply a loaded user set before the panel reads
// it back.
const int kUserSetRefreshDelayMs = 1000;

} // namespace

int showModeOf(const QString& kindText)
{
    // The single-image kinds share the modes of the right-hand kinds.
    static const QHash<QString, int> showModeTable = {
        {QStringLiteral("2D Left"), 1},          {QStringLiteral("2D Right"), 2},
        {QStringLiteral("Left Streak"), 3},      {QStringLiteral("Right Streak"), 4},
        {QStringLiteral("2.5D Left Shot"), 5},   {QStringLiteral("2.5D Right Shot"), 6},
        {QStringLiteral("2.5D Left Reflex"), 7}, {QStringLiteral("2.5D Right Reflex"), 8},
        {QStringLiteral("Quality Image"), 9},    {QStringLiteral("GSImage"), 2},
        {QStringLiteral("SrcImage"), 4},         {QStringLiteral("FrontImage"), 6},
        {QStringLiteral("BackImage"), 8}};
    return qMax(0, showModeTable.value(kindText, 0));
}

void CamBoard::onToolPageWidgetItemClicked()
{
    auto* row = qobject_cast<ToolPageWidgetItem*>(sender());
    if (!row)
        return;
    m_descriptionBrowser->clear();
    m_descriptionBrowser->setText(row->descriptionName(m_language));
    m_selectedRow = row;
}

void CamBoard::onTriggerSwitchButtonClicked()
{
    auto* button = qobject_cast<SwitchButton*>(sender());
    if (!button)
        return;
    m_triggerTimer->stop();
    if (button->isSwitchOn()) {
        m_triggerTimer->setInterval(triggerIntervalBox->value());
        m_triggerTimer->start();
    }
    // The period cannot change while it runs.
    triggerIntervalBox->setEnabled(!button->isSwitchOn() && !m_locked);
}

void CamBoard::onTriggerTimeout()
{
    // An empty value executes the command.
    Corvid::SetCameraNodeValue(toStd(m_deviceId), "TriggerSoftware", std::string());
}

void CamBoard::onUserSetLoadButtonClicked()
{
    Corvid::SetCameraNodeValue(toStd(m_deviceId), "UserSetLoad", std::string());
    QTimer::singleShot(kUserSetRefreshDelayMs, this, [this] {
        ui->firstToolBox->refresh();
        ui->secondToolBox->refresh();
        ui->thirdToolBox->refresh();
        refresh2DOutputState();
    });
}

void CamBoard::on2DGrabOutputChanged(int index, bool status, bool isSingleMachine)
{
    Q_UNUSED(isSingleMachine);
    const QList<OutputKind>& kinds = outputKinds(m_isStructuredLight);
    // The device reads "True"/"False" for a kind and is written "1"/"0".
    if (index >= 0 && index < kinds.size() && !m_absentKinds.contains(kinds.at(index).feature))
        Corvid::SetCameraNodeValue(toStd(m_deviceId), kinds.at(index).feature, status ? "1" : "0");
    rebuildShowTypeList();
}

void CamBoard::on2DShowTypeChanged(int index)
{
    Q_UNUSED(index);
    if (!showTypeList)
        return;
    QString text = showTypeList->currentText();
    if (m_language == LanguageChinese)
        text = englishEntryText(text, QString());
    Corvid::SetSLImageShowMode(toStd(m_deviceId), showModeOf(text));
}

void CamBoard::onRealUpdateTimerTimeout()
{
    for (ToolPageWidgetItem* row : qAsConst(m_realTimeRows))
        row->refresh(true);
}

void CamBoard::lockPanel()
{
    m_locked = true;
    applyLock();
}

void CamBoard::unlockPanel()
{
    m_locked = false;
    applyLock();
}

void CamBoard::applyLock()
{
    if (m_lockWidget)
        m_lockWidget->setEnabled(!m_locked);
    if (m_lockRow)
        m_lockRow->setEnable(!m_locked);
    for (CToolBox* toolBox : {ui->firstToolBox, ui->secondToolBox, ui->thirdToolBox}) {
        for (ToolPageWidgetItem* row : toolBox->findChildren<ToolPageWidgetItem*>())
            row->setEnable(!m_locked);
    }
    // A locked camera is not triggered from here.
    if (m_locked && triggerSwitch->isSwitchOn()) {
        m_triggerTimer->stop();
        triggerSwitch->setSwitchOn(false);
    }
    triggerSwitch->setEnabled(!m_locked);
    triggerIntervalBox->setEnabled(!m_locked && !triggerSwitch->isSwitchOn());
}

void CamBoard::onDenoisingChanged()
{
    bool on = false;
    const std::shared_ptr<GenApi::INodeMap> nodeMap =
        Corvid::AcquireAttrNodeMap(Corvid::FOCUS_CAMERA, toStd(m_deviceId), Corvid::NODEMAP_REMOTE_DEVICE);
    if (nodeMap) {
        genApiCall("CamBoard", [&] {
            const FeatureValue denoising(nodeMap->GetNode("Denoising"), QStringLiteral("Denoising"));
            on = denoising.kind() == FeatureKind::Boolean && denoising.value(ReadPolicy()).toBool();
        });
    }
    for (ToolPageWidgetItem* row : {m_radiusRow, m_neighborhoodsRow}) {
        if (!row)
            continue;
        row->setHiddenAuto(!on);
        row->setVisible(on);
    }
}

void CamBoard::refresh2DOutputState()
{
    if (m_deviceId.isEmpty() || m_restricted || !grabOutputList)
        return;
    const QList<OutputKind>& kinds = outputKinds(m_isStructuredLight);
    for (int index = 0; index < kinds.size(); ++index) {
        // Row 0 is the check-list's own placeholder.
        grabOutputList->setItemChecked(index + 1, outputKindOn(kinds.at(index).feature));
    }
    const int dash = grabOutputList->findText(QLatin1String(kDash));
    if (dash >= 0) {
        grabOutputList->setItemChecked(dash, false);
        if (grabOutputList->checkedIndexes().isEmpty())
            grabOutputList->setItemChecked(dash, true);
    }
    rebuildShowTypeList();
}

bool CamBoard::outputKindOn(const char* feature)
{
    const std::shared_ptr<GenApi::INodeMap> nodeMap =
        Corvid::AcquireAttrNodeMap(Corvid::FOCUS_CAMERA, toStd(m_deviceId), Corvid::NODEMAP_REMOTE_DEVICE);
    bool present = false;
    if (nodeMap) {
        genApiCall("CamBoard", [&] {
            // GenICam names have no '.': the camera service reads "Left2.5DFront"
            // from the node "Left2_5DFront".
            const QByteArray underscored = QByteArray(feature).replace('.', '_');
            present = nodeMap->GetNode(feature) || nodeMap->GetNode(underscored.constData());
        });
    }
    if (!present) {
        // Expected on most devices: nothing for the user to act on, noted
        // once per device.
        if (m_absentKinds.isEmpty()) {
            FeatureError absent;
            absent.feature = QString::fromLatin1(feature);
            absent.operation = QStringLiteral("read");
            reportFeature({QByteArrayLiteral("campane.board"), -1, m_deviceId}, absent,
                          QStringLiteral("%1 lacks the 2D output kinds' features (%2 first); they read off")
                              .arg(m_deviceId, absent.feature));
        }
        m_absentKinds.insert(feature);
        return false;
    }
    std::string text = "False";
    Corvid::GetCameraNodeValue(toStd(m_deviceId), feature, text);
    return text == "True";
}

void CamBoard::rebuildShowTypeList()
{
    if (!showTypeList || !grabOutputList)
        return;
    const QString remembered = showTypeList->currentText();
    const QSignalBlocker blocker(showTypeList);
    showTypeList->clear();
    if (grabOutputList->findText(QLatin1String(kDash)) < 0)
        showTypeList->addItem(QLatin1String(kDash));
    showTypeList->addItems(grabOutputList->checkedData());
    showTypeList->setCurrentText(remembered);
    // The shown kind is no longer offered: the view shows nothing.
    if (showTypeList->currentText() != remembered)
        on2DShowTypeChanged(showTypeList->currentIndex());
}
