#include "camboard.h"
#include "ui_camboard.h"

#include "resources.h"
#include "wheelguard.h"

#include <Corvid/Corvid.h>

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcBoard, "campane.board", QtInfoMsg)

namespace {

std::string toStd(const QString& text)
{
    return text.toUtf8().toStdString();
}

QString fromStd(const std::string& text)
{
    return QString::fromUtf8(text.c_str(), int(text.size()));
}

const char* const kStyleSheet = R"(
QTabBar::tab {
    background-color: #D8D8D8;
    border-top-left-radius: 2px;
    border-top-right-radius: 2px;
    min-width: 120px;
    height: 28px;
    padding: 0px 12px;
    border: none;
}
QTabBar::tab:hover { background-color: rgb(210,210,210); }
QTabBar::tab:selected { background-color: rgb(240,240,240); }
QTabBar::scroller { width: 0px; }
QTabWidget::pane { background: transparent; border: none; }
QLineEdit {
    border: 1px solid rgb(200,200,200);
    border-radius: 5px;
    padding-left: 4px;
    background-color: white;
}
QLineEdit:hover { border: 1px solid rgba(75,210,149,60%); }
QComboBox {
    border: 1px solid rgba(55,56,58,0.6);
    border-radius: 2px;
    color: rgba(55,56,58,1);
    padding-left: 4px;
    background-color: white;
}
QComboBox:hover { border: 1px solid rgba(75,210,149,0.8); }
QComboBox::drop-down {
    subcontrol-origin: padding;
    subcontrol-position: top right;
    width: 16px;
    border: none;
    border-top-right-radius: 3px;
    border-bottom-right-radius: 3px;
}
#cboboxLevel { font-size: 13px; }
#cboboxLevel::down-arrow { image: url(:/Resources/icon/pullDownIcon/normal.png); }
QComboBox QAbstractItemView {
    border: 1px solid rgba(55,56,58,0.6);
    border-radius: 4px;
    background-color: white;
    color: black;
    selection-color: black;
    selection-background-color: rgba(75,210,149,30%);
    outline: none;
}
QToolButton {
    border: 1px solid rgb(216,216,216);
    border-radius: 2px;
    background-color: rgb(216,216,216);
    padding-left: 5px;
}
QToolButton:hover { background-color: rgb(180,180,180); }
#wdgBackground { background-color: rgb(225,225,225); }
)";

} // namespace

CamBoard::CamBoard(QWidget* parent) : QWidget(parent), ui(new Ui::CamBoard)
{
    initCampaneResources();
    ui->setupUi(this);
    setStyleSheet(QString::fromLatin1(kStyleSheet));
    setMinimumWidth(200);
    setFocusPolicy(Qt::StrongFocus);

    ui->toolButton->setIcon(QIcon(QStringLiteral(":/Resources/icons/camera/fold.png")));
    ui->toolButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ui->toolButton->setLayoutDirection(Qt::RightToLeft);

    connect(ui->edit_search, &QLineEdit::textChanged, this, &CamBoard::onFilterChanged);
    connect(ui->cboboxLevel, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CamBoard::onFilterChanged);

    m_panelPage = ui->tabMainWidget->widget(0);
    m_attributePage = ui->tabMainWidget->widget(1);
    m_lockWidget = ui->panelContent;
    WheelGuard::installRecursively(this);

    m_realUpdateTimer.setInterval(1500);
    connect(&m_realUpdateTimer, &QTimer::timeout, this, &CamBoard::onRealUpdateTimerTimeout);
    m_realUpdateTimer.start();

    retranslateTabs();
    showDeviceSummary();
}

CamBoard::~CamBoard()
{
    m_realUpdateTimer.stop();
    delete ui;
}

void CamBoard::setDeviceId(QString id)
{
    if (!m_deviceId.isEmpty()) {
        qCWarning(lcBoard) << "board of" << m_deviceId << "cannot be bound again, to" << id;
        return;
    }
    m_deviceId = id;
    buildPanel();
}

void CamBoard::buildPanel()
{
    showDeviceSummary();
}

void CamBoard::setPanelTabVisible(bool visible)
{
    if (visible)
        ui->tabMainWidget->insertTab(0, m_panelPage, tr("Param Setting"));
    else
        ui->tabMainWidget->removeTab(ui->tabMainWidget->indexOf(m_panelPage));
}

void CamBoard::setAttributeTabVisible(bool visible)
{
    if (visible)
        ui->tabMainWidget->addTab(m_attributePage, tr("All Attribute"));
    else
        ui->tabMainWidget->removeTab(ui->tabMainWidget->indexOf(m_attributePage));
}

void CamBoard::setLanguage(int language)
{
    {
        // The form's texts refill the level selector, which shows "Beginner"
        // afterwards; the feature filter keeps its level until the next change.
        const QSignalBlocker blocker(ui->cboboxLevel);
        ui->retranslateUi(this);
    }
    ui->toolButton->setFixedWidth(language != 0 ? 60 : 85);
    retranslateTabs();
    m_language = language;
    showDeviceSummary();
}

void CamBoard::reloadPanel(bool)
{
    showDeviceSummary();
}

void CamBoard::lockPanel()
{
    if (m_lockWidget)
        m_lockWidget->setEnabled(false);
}

void CamBoard::unlockPanel()
{
    if (m_lockWidget)
        m_lockWidget->setEnabled(true);
}

void CamBoard::disableView()
{
    m_realUpdateTimer.stop();
}

void CamBoard::loadUserLevel()
{
    QString text = fromStd(Corvid::GetParamterInfo(Corvid::PARAMETER_USER_LEVEL));
    if (text.isEmpty())
        text = QStringLiteral("0");
    bool ok = false;
    int level = text.toInt(&ok);
    if (!ok || level < 0 || level >= ui->cboboxLevel->count()) {
        qCWarning(lcBoard) << "stored user level" << text << "is not one of 0, 1, 2; showing Beginner";
        level = 0;
    }
    ui->cboboxLevel->setCurrentIndex(level);
}

void CamBoard::setImageMode(int mode)
{
    Q_UNUSED(mode);
}

void CamBoard::setRoiPosition(int leftX, int leftY, int rightX, int rightY)
{
    Q_UNUSED(leftX);
    Q_UNUSED(leftY);
    Q_UNUSED(rightX);
    Q_UNUSED(rightY);
}

void CamBoard::onFilterChanged()
{
    Corvid::SetParamterInfo(Corvid::PARAMETER_USER_LEVEL, std::to_string(ui->cboboxLevel->currentIndex()));
}

void CamBoard::onRealUpdateTimerTimeout()
{
    // The panel's rows are refreshed from the device here.
}

void CamBoard::retranslateTabs()
{
    const int panelIndex = ui->tabMainWidget->indexOf(m_panelPage);
    if (panelIndex >= 0)
        ui->tabMainWidget->setTabText(panelIndex, tr("Param Setting"));
    const int attributeIndex = ui->tabMainWidget->indexOf(m_attributePage);
    if (attributeIndex >= 0)
        ui->tabMainWidget->setTabText(attributeIndex, tr("All Attribute"));
}

void CamBoard::showDeviceSummary()
{
    if (m_deviceId.isEmpty()) {
        ui->labelDeviceId->setText(tr("No device"));
        ui->labelDeviceDetails->setText(tr("Select a camera or a card to see its parameters."));
        ui->labelFeatures->setText(QString());
        return;
    }

    const std::string id = toStd(m_deviceId);
    ui->labelDeviceId->setText(m_deviceId);
    QList<QPair<QString, QString>> rows;
    if (m_isCard) {
        rows << qMakePair(tr("Device"), tr("Frame-grabber card"))
             << qMakePair(tr("Model"), fromStd(Corvid::GetCardInfo(id, Corvid::CARD_INFO_MODEL)));
    } else {
        rows << qMakePair(
                    tr("Device"),
                    tr("Camera of kind %1").arg(fromStd(Corvid::GetCameraInfo(id, Corvid::CAM_INFO_KIND))))
             << qMakePair(tr("Model"), fromStd(Corvid::GetCameraInfo(id, Corvid::CAM_INFO_MODEL)))
             << qMakePair(tr("Vendor"), fromStd(Corvid::GetCameraInfo(id, Corvid::CAM_INFO_VENDOR)))
             << qMakePair(tr("Serial number"), fromStd(Corvid::GetCameraInfo(id, Corvid::CAM_INFO_SERIAL)))
             << qMakePair(tr("Address"), fromStd(Corvid::GetCameraInfo(id, Corvid::CAM_INFO_ADDRESS)));
    }
    QString details = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"3\">");
    for (const auto& row : qAsConst(rows)) {
        if (row.second.isEmpty())
            continue;
        details +=
            QStringLiteral(
                "<tr><td style=\"padding-right: 16px\">%1</td><td style=\"color: #37383A\">%2</td></tr>")
                .arg(row.first.toHtmlEscaped(), row.second.toHtmlEscaped());
    }
    details += QStringLiteral("</table>");
    ui->labelDeviceDetails->setText(details);
    ui->labelFeatures->setText(tr("Features of %1").arg(m_deviceId));
}
