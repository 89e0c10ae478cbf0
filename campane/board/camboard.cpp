#include "camboard.h"
#include "ui_camboard.h"

#include "ccombobox.h"
#include "descriptiontext.h"
#include "featuretreeview.h"
#include "featurevalue.h"
#include "panellayout.h"
#include "resources.h"
#include "selectedbutton.h"
#include "switchbutton.h"
#include "toolpagewidgetitem.h"
#include "treeitem.h"
#include "treemodel.h"
#include "wheelguard.h"

#include <Corvid/Corvid.h>

#include <QAbstractSpinBox>
#include <QFile>
#include <QLoggingCategory>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTimer>
#include <QWidgetAction>

Q_LOGGING_CATEGORY(lcBoard, "campane.board")

namespace {

const char* const kFoldIcon = ":/Resources/icons/camera/fold.png";
const char* const kUnfoldIcon = ":/Resources/icons/camera/unfold.png";

const int kRealUpdateIntervalMs = 1500;
const int kTriggerIntervalMs = 1000;
const int kCollapseButtonWidth = 85;
const int kCollapseButtonWidthZh = 60;

// The tree's fold arrows, used when the host supplies its icons; without
// them the style's own branch indicators show.
const char* const kBranchStyleSheet = R"(
QTreeView::branch:has-children:!has-siblings:closed,
QTreeView::branch:closed:has-children:has-siblings {
    border-image: none;
    image: url(:/Resources/icons/camera/fold.png);
}
QTreeView::branch:open:has-children:!has-siblings,
QTreeView::branch:open:has-children:has-siblings {
    border-image: none;
    image: url(:/Resources/icons/camera/unfold.png);
}
)";

// Keeps a node map until its parent deletes it: made last, it goes after
// the parent's other children.
class NodeMapHolder : public QObject
{
public:
    NodeMapHolder(std::shared_ptr<GenApi::INodeMap> nodeMap, QObject* parent)
        : QObject(parent), m_nodeMap(std::move(nodeMap))
    {
    }

private:
    std::shared_ptr<GenApi::INodeMap> m_nodeMap;
};

bool hostHasFoldIcons()
{
    return QFile::exists(QLatin1String(kFoldIcon)) && QFile::exists(QLatin1String(kUnfoldIcon));
}

// A chevron pointing right (folded) or down (unfolded), for hosts without
// fold icons.
QIcon drawnArrow(bool unfolded)
{
    const qreal ratio = 2.0;
    QPixmap pixmap(QSize(16, 16) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x37, 0x38, 0x3A), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath path;
    if (unfolded) {
        path.moveTo(4, 6);
        path.lineTo(8, 10);
        path.lineTo(12, 6);
    } else {
        path.moveTo(6, 4);
        path.lineTo(10, 8);
        path.lineTo(6, 12);
    }
    painter.drawPath(path);
    return QIcon(pixmap);
}

QIcon foldIcon(bool unfolded)
{
    if (hostHasFoldIcons())
        return QIcon(QLatin1String(unfolded ? kUnfoldIcon : kFoldIcon));
    return drawnArrow(unfolded);
}

QSpinBox* createPanelSpinBox(QWidget* parent, const char* name)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->hide();
    return box;
}

template <typename Button> Button* createPanelButton(QWidget* parent, const char* name)
{
    auto* button = new Button(parent);
    button->setObjectName(QLatin1String(name));
    button->hide();
    return button;
}

} // namespace

CamBoard::CamBoard(QWidget* parent) : QWidget(parent)
{
    initCampaneResources();
    createPanelControls();
    m_descriptionBrowser = new QTextBrowser(this);
    m_descriptionBrowser->setObjectName(QStringLiteral("descriptionBrowser"));

    ui = new Ui::CamBoard;
    ui->setupUi(this);
    if (hostHasFoldIcons())
        setStyleSheet(styleSheet() + QLatin1String(kBranchStyleSheet));
    setMinimumWidth(200);
    setFocusPolicy(Qt::StrongFocus);

    setUpSearchButton();
    connect(ui->edit_search, &QLineEdit::textChanged, this, &CamBoard::on_filter_changed);
    setUpCollapseButton();
    connect(ui->cboboxLevel, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CamBoard::on_filter_changed);

    m_descriptionBrowser->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->widget_attrInfo->addWidget(tr("Parameter Description"), tr("Parameter Description"),
                                   m_descriptionBrowser);

    ui->splitter->setStretchFactor(0, 3);
    ui->splitter->setStretchFactor(1, 1);

    m_panelPage = ui->tabMainWidget->widget(0);
    m_attributePage = ui->tabMainWidget->widget(1);
    for (int index = ui->tabWidget->count() - 1; index >= 0; --index)
        ui->tabWidget->removeTab(index);

    ui->widget_featrue->setFeatureHints(wholeTreeFeatures(), fineFloatFeatures());
    connect(ui->widget_featrue, &FeatureTreeView::SigSelectItem, this, &CamBoard::onSigSelectItemClick);
    connect(this, &CamBoard::paramterRefreshing, ui->widget_featrue, &FeatureTreeView::commandRefreshing);

    m_realUpdateTimer = new QTimer(this);
    m_realUpdateTimer->setObjectName(QStringLiteral("realUpdateTimer"));
    m_realUpdateTimer->setInterval(kRealUpdateIntervalMs);
    connect(m_realUpdateTimer, &QTimer::timeout, this, &CamBoard::onRealUpdateTimerTimeout);
    m_realUpdateTimer->start();

    ui->tabMainWidget->setTabText(ui->tabMainWidget->indexOf(m_panelPage), tr("Param Setting"));
    ui->tabMainWidget->setTabText(ui->tabMainWidget->indexOf(m_attributePage), tr("All Attribute"));
    connect(ui->tabMainWidget, &QTabWidget::currentChanged, this, &CamBoard::onMainTabChanged);

    WheelGuard::installRecursively(this);
}

CamBoard::~CamBoard()
{
    // QWidget's destructor hides the children, and the output list reports
    // its popup hidden then: that must not reach this half-destroyed board.
    if (grabOutputList)
        grabOutputList->disconnect(this);
    m_realUpdateTimer->stop();
    m_triggerTimer->stop();
    endTreeGathering();
    // The model has no parent: the view lets go of it before it goes.
    if (m_treeModel) {
        m_treeModel->disableDevice();
        ui->widget_featrue->setModel(nullptr);
        delete m_treeModel;
    }
    delete ui;
    // The rows still hold nodes of the map and go with the children, after
    // this body: the map goes after them.
    if (m_nodeMap)
        new NodeMapHolder(std::move(m_nodeMap), this);
}

void CamBoard::createPanelControls()
{
    // Created before the form, which covers them: they belong to the panel's
    // ROI and trigger behaviours, which no row of the panel shows.
    roiWidthBox = createPanelSpinBox(this, "roiWidthBox");
    roiHeightBox = createPanelSpinBox(this, "roiHeightBox");
    roiOffsetXBox = createPanelSpinBox(this, "roiOffsetXBox");
    roiOffsetYBox = createPanelSpinBox(this, "roiOffsetYBox");
    resetImageSizeButton = createPanelButton<QPushButton>(this, "resetImageSizeButton");
    triggerIntervalBox = createPanelSpinBox(this, "triggerIntervalBox");
    triggerIntervalBox->setRange(1, 10000);
    triggerIntervalBox->setValue(kTriggerIntervalMs);
    triggerSwitch = createPanelButton<SwitchButton>(this, "triggerSwitch");
    roiSelectButton = createPanelButton<SelectedButton>(this, "roiSelectButton");
    roiExecuteButton = createPanelButton<QPushButton>(this, "roiExecuteButton");
    roiExecuteButton->setEnabled(false);

    m_triggerTimer = new QTimer(this);
    m_triggerTimer->setObjectName(QStringLiteral("triggerTimer"));
    m_triggerTimer->setTimerType(Qt::PreciseTimer);
    m_triggerTimer->setInterval(kTriggerIntervalMs);
    connect(m_triggerTimer, &QTimer::timeout, this, &CamBoard::onTriggerTimeout);
    connect(triggerSwitch, &SwitchButton::clicked, this, &CamBoard::onTriggerSwitchButtonClicked);
    setUpRoiControls();
}

void CamBoard::setUpSearchButton()
{
    auto* button = new QPushButton(ui->edit_search);
    button->setObjectName(QStringLiteral("searchButton"));
    button->setCursor(Qt::ArrowCursor);
    button->setStyleSheet(
        QStringLiteral("QPushButton{image: url(:/Resources/icon/search/normal.png);border: none;}"));
    button->setFocusPolicy(Qt::NoFocus);
    auto* action = new QWidgetAction(ui->edit_search);
    action->setDefaultWidget(button);
    ui->edit_search->addAction(action, QLineEdit::LeadingPosition);
}

void CamBoard::setUpCollapseButton()
{
    ui->toolButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // Small enough for "Expand" and "Collapse" beside it in the fixed width.
    ui->toolButton->setIconSize(QSize(12, 12));
    ui->toolButton->setLayoutDirection(Qt::RightToLeft);
    ui->toolButton->setStyleSheet(QStringLiteral(
        "QToolButton{border: 1px solid rgb(216, 216, 216);border-radius: 2px;background-color: rgb(216, 216, "
        "216);padding-left: 5px;}QToolButton::hover{background-color: rgb(180, 180, 180);}"));
    ui->toolButton->setProperty("collapse", true);
    ui->toolButton->setIcon(foldIcon(false));
    connect(ui->toolButton, &QToolButton::clicked, this, &CamBoard::onCollapseButtonClicked);
}

void CamBoard::setDeviceId(QString id)
{
    m_deviceId = id;
    // Screen readers (and hosts) tell the boards apart by their device.
    setAccessibleName(id);
    ui->widget_featrue->setDeviceId(id);
    buildPanel();
    disableSpinBoxMenus();
}

void CamBoard::disableSpinBoxMenus()
{
    for (QAbstractSpinBox* box : findChildren<QAbstractSpinBox*>())
        box->setContextMenuPolicy(Qt::NoContextMenu);
}

void CamBoard::buildPanel()
{
    // A second build (the default board's, when the host asks for it) finds
    // the tabs in place and replaces the groups, as it replaces the tree.
    const QList<QPair<CToolBox*, QString>> toolBoxes = {
        {ui->firstToolBox, tr("Shoot")}, {ui->secondToolBox, tr("Image")}, {ui->thirdToolBox, tr("Advance")}};
    for (const auto& toolBox : toolBoxes) {
        if (ui->tabWidget->indexOf(toolBox.first) < 0)
            ui->tabWidget->addTab(toolBox.first, toolBox.second);
    }

    if (m_deferBuild && !isVisible()) {
        m_buildPending = true;
        return;
    }
    if (!buildLayout())
        return;
    buildFeatureTree();
}

void CamBoard::buildDeferredParts()
{
    if (!m_buildPending)
        return;
    m_buildPending = false;
    if (buildLayout()) {
        buildFeatureTree();
        // A reload asked for meanwhile (a lock text, an import) also reads
        // the output kinds again.
        if (m_reloadPending)
            refresh2DOutputState();
    }
    m_reloadPending = false;
    disableSpinBoxMenus();
}

bool CamBoard::buildLayout()
{
    clearPanel();
    std::shared_ptr<GenApi::INodeMap> held =
        Corvid::AcquireAttrNodeMap(Corvid::FOCUS_CAMERA, toStd(m_deviceId), Corvid::NODEMAP_REMOTE_DEVICE);
    if (!held)
        return false;
    m_nodeMap = std::move(held);
    GenApi::INodeMap* nodeMap = m_nodeMap.get();

    // A device without a model name (some cards) is simply not of the
    // structured-light family: nothing to report.
    std::string model;
    bool named = false;
    genApiCall("CamBoard", [&] { named = nodeMap->GetNode("DeviceModelName") != nullptr; });
    if (named)
        Corvid::GetCameraNodeValue(toStd(m_deviceId), "DeviceModelName", model);
    if (!model.empty())
        m_isStructuredLight = fromStd(model).startsWith(QLatin1String("KVX-SLP"));

    buildStructuredLightLayout(nodeMap);
    return true;
}

void CamBoard::setPanelTabVisible(bool visible)
{
    const int index = ui->tabMainWidget->indexOf(m_panelPage);
    if (visible && index < 0)
        ui->tabMainWidget->insertTab(0, m_panelPage, tr("Param Setting"));
    else if (!visible && index >= 0)
        ui->tabMainWidget->removeTab(index);
}

void CamBoard::setAttributeTabVisible(bool visible)
{
    const int index = ui->tabMainWidget->indexOf(m_attributePage);
    if (visible && index < 0)
        ui->tabMainWidget->addTab(m_attributePage, tr("All Attribute"));
    else if (!visible && index >= 0)
        ui->tabMainWidget->removeTab(index);
}

void CamBoard::setLanguage(int language)
{
    // Setting the page's title unfolds it; a folded page stays folded.
    const bool descriptionFolded = !ui->widget_attrInfo->isExpanded();
    ui->widget_attrInfo->addWidget(tr("Parameter Description"), tr("Parameter Description"), nullptr);
    if (descriptionFolded)
        ui->widget_attrInfo->collapse();
    {
        // The form's texts refill the level selector, which then shows
        // "Beginner"; the tree keeps its filter until the next change.
        const QSignalBlocker blocker(ui->cboboxLevel);
        ui->retranslateUi(this);
        ui->cboboxLevel->setCurrentIndex(0);
    }
    // The form's texts put back the collapse button's "Expand".
    showCollapseState(ui->toolButton->property("collapse").toBool());
    ui->toolButton->setFixedWidth(language != 0 ? kCollapseButtonWidthZh : kCollapseButtonWidth);

    const QStringList tabTitles = {tr("Shoot"), tr("Graphics"), tr("Advance")};
    for (int index = 0; index < tabTitles.size() && index < ui->tabWidget->count(); ++index)
        ui->tabWidget->setTabText(index, tabTitles.at(index));
    ui->firstToolBox->setLanguageType(language);
    ui->secondToolBox->setLanguageType(language);
    ui->thirdToolBox->setLanguageType(language);

    const int panelIndex = ui->tabMainWidget->indexOf(m_panelPage);
    if (panelIndex >= 0)
        ui->tabMainWidget->setTabText(panelIndex, tr("Param Setting"));
    const int attributeIndex = ui->tabMainWidget->indexOf(m_attributePage);
    if (attributeIndex >= 0)
        ui->tabMainWidget->setTabText(attributeIndex, tr("All Attribute"));

    m_language = language;
    retranslateTriggerLine();
    retranslateRoiControls();
    if (m_treeModel)
        m_treeModel->setLanguage(language);
    if (m_selectedRow) {
        m_descriptionBrowser->clear();
        m_descriptionBrowser->setText(m_selectedRow->descriptionName(language));
    }
}

void CamBoard::reloadPanel(bool)
{
    // Rows not built yet are read afresh when the board is first shown.
    if (m_buildPending) {
        m_reloadPending = true;
        return;
    }
    if (buildLayout())
        refresh2DOutputState();
}

void CamBoard::refreshPanel()
{
    ui->firstToolBox->refresh();
    ui->secondToolBox->refresh();
    ui->thirdToolBox->refresh();
    refresh2DOutputState();
}

void CamBoard::disableView()
{
    // Parts never built stay unbuilt: the device is not to be read again.
    m_buildPending = false;
    cancelTreeGathering();
    if (m_treeModel) {
        m_treeModel->disableDevice();
        ui->widget_featrue->disableDevice();
    }
    m_triggerTimer->stop();
    m_realUpdateTimer->stop();
}

int CamBoard::storedUserLevel() const
{
    QString text = fromStd(Corvid::GetParamterInfo(Corvid::PARAMETER_USER_LEVEL));
    if (text.isEmpty())
        text = QStringLiteral("0");
    bool ok = false;
    const int level = text.toInt(&ok);
    if (!ok || level < 0 || level >= ui->cboboxLevel->count()) {
        qCWarning(lcBoard) << "stored user level" << text << "is not 0, 1 or 2; showing Beginner";
        return 0;
    }
    return level;
}

void CamBoard::loadUserLevel()
{
    ui->cboboxLevel->setCurrentIndex(storedUserLevel());
}

void CamBoard::setImageMode(int mode)
{
    Q_UNUSED(mode);
}

void CamBoard::setRoiPosition(int leftX, int leftY, int rightX, int rightY)
{
    // The rows follow a region drawn on the image view (departing from a
    // notice with no effect, which left a drawn region unseen by the rows).
    // Queued by name: the arguments travel as copies that Qt makes and hands
    // over under its event queue's lock.
    QMetaObject::invokeMethod(this, "applyRoiPosition", Qt::QueuedConnection, Q_ARG(int, leftX),
                              Q_ARG(int, leftY), Q_ARG(int, rightX), Q_ARG(int, rightY));
}

void CamBoard::endRoiDrawing()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (roiSelectButton->isSelected()) {
                roiSelectButton->setSelected(false);
                onRoiSelectedButtonClicked();
            }
        },
        Qt::QueuedConnection);
}

void CamBoard::on_filter_changed()
{
    Corvid::SetParamterInfo(Corvid::PARAMETER_USER_LEVEL, std::to_string(ui->cboboxLevel->currentIndex()));
    if (!ui->widget_featrue->model())
        return;
    const Corvid::FOCUS_TYPE type = m_isCard ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA;
    if (!Corvid::AcquireAttrNodeMap(type, toStd(m_deviceId), Corvid::NODEMAP_REMOTE_DEVICE))
        return;
    if (sender() == ui->edit_search) {
        // A search looks through the whole tree.
        if (ui->toolButton->property("collapse").toBool())
            ui->toolButton->click();
        ui->widget_featrue->expandAll();
    }
    ui->widget_featrue->setFilter(ui->cboboxLevel->currentIndex(), ui->edit_search->text());
}

void CamBoard::onSigSelectItemClick(const QModelIndex& index)
{
    TreeItem* item = m_treeModel && index.isValid() ? m_treeModel->itemFromIndex(index) : nullptr;
    GenApi::INode* node = item ? item->node() : nullptr;
    if (!node)
        return;
    m_descriptionBrowser->setText(featureDescriptionHtml(node));
}

void CamBoard::onCollapseButtonClicked()
{
    const bool collapsed = ui->toolButton->property("collapse").toBool();
    if (collapsed)
        ui->widget_featrue->expandAllBelow();
    else
        ui->widget_featrue->expandToDepth(0);
    ui->toolButton->setProperty("collapse", !collapsed);
    showCollapseState(!collapsed);
}

// The button offers what a click does: "Expand" while the tree is collapsed.
void CamBoard::showCollapseState(bool collapsed)
{
    ui->toolButton->setIcon(foldIcon(!collapsed));
    ui->toolButton->setText(collapsed ? tr("Expand") : tr("Collapse"));
}

void CamBoard::onMainTabChanged(int index)
{
    if (!m_deviceId.isEmpty() && !m_restricted && index == 0)
        refreshPanel();
}
