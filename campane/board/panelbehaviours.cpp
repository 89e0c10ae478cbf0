// What the panel does beyond editing one feature in one row: the periodic
// software trigger, loading a user set, the 2D image kinds that the camera
// outputs and the one the host's image view shows, and the lock.

#include "camboard.h"
#include "ui_camboard.h"

#include "ccombobox.h"
#include "ctoolbox.h"
#include "displaytexts.h"
#include "panellayout.h"
#include "switchbutton.h"
#include "toolpagewidget.h"
#include "toolpagewidgetitem.h"

#include <Corvid/Corvid.h>

#include <QComboBox>
#include <QHash>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTimer>

namespace {

std::string toStd(const QString& text)
{
    return text.toUtf8().toStdString();
}

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
