#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "background.h"
#include "hostevents.h"
#include "imageview.h"
#include "languagecatalogue.h"
#include "settingsfile.h"

#include <Corvid/CorvidHost.h>
#include <campane.h>

#include <QActionGroup>
#include <QFileDialog>
#include <QHeaderView>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QPainter>
#include <QTreeWidget>

#include <memory>

Q_LOGGING_CATEGORY(lcCamview, "camview")

static void initCamviewResources()
{
    Q_INIT_RESOURCE(camview);
}

namespace {

enum Column
{
    ColumnDevice = 0,
    ColumnModel = 1,
    ColumnState = 2
};

enum Role
{
    RoleId = Qt::UserRole,
    RoleIsCard
};

std::string toStd(const QString& text)
{
    return text.toUtf8().toStdString();
}

QString fromStd(const std::string& text)
{
    return QString::fromUtf8(text.c_str(), int(text.size()));
}

// A small round state light for the device list.
QIcon stateIcon(bool usable)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(usable ? QColor(75, 210, 149) : QColor(190, 190, 190));
    painter.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    return QIcon(pixmap);
}

} // namespace

MainWindow::MainWindow(const CamviewOptions& options, LanguageCatalogue* catalogue, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), m_options(options), m_catalogue(catalogue)
{
    initCamviewResources();
    ui->setupUi(this);

    // Device list, image view and pane side by side; the image takes what
    // the window gains. The view is the service's image view before the
    // pane's boards send their first display calls.
    m_imageView = new ImageView(ui->splitter);
    m_pane = new CamPane(ui->splitter);
    ui->splitter->addWidget(m_imageView);
    ui->splitter->addWidget(m_pane);
    ui->splitter->setStretchFactor(0, 0);
    ui->splitter->setStretchFactor(1, 1);
    ui->splitter->setStretchFactor(2, 0);
    resize(qMax(width(), 1600), qMax(height(), 820));
    ui->splitter->setSizes({300, 640, 660});

    QTreeWidget* tree = ui->deviceTree;
    tree->setIndentation(14);
    tree->header()->setStretchLastSection(true);
    tree->header()->setSectionResizeMode(ColumnDevice, QHeaderView::ResizeToContents);
    tree->header()->setSectionResizeMode(ColumnModel, QHeaderView::ResizeToContents);
    m_camerasItem = new QTreeWidgetItem(tree);
    m_cardsItem = new QTreeWidgetItem(tree);
    for (QTreeWidgetItem* group : {m_camerasItem, m_cardsItem}) {
        group->setFlags(Qt::ItemIsEnabled);
        QFont font = group->font(ColumnDevice);
        font.setBold(true);
        group->setFont(ColumnDevice, font);
        group->setExpanded(true);
    }
    retranslateTree();

    auto* languages = new QActionGroup(this);
    languages->addAction(ui->actionEnglish);
    languages->addAction(ui->actionChinese);
    languages->setExclusive(true);
    (m_options.language == QLatin1String("Chinese") ? ui->actionChinese : ui->actionEnglish)
        ->setChecked(true);

    connect(tree, &QTreeWidget::itemSelectionChanged, this, &MainWindow::onDeviceTreeSelectionChanged);
    connect(ui->actionQuit, &QAction::triggered, this, &QWidget::close);
    connect(ui->actionSaveScreenshot, &QAction::triggered, this, &MainWindow::onSaveScreenshotTriggered);
    connect(ui->actionSaveSettings, &QAction::triggered, this, &MainWindow::onSettingsActionTriggered);
    connect(ui->actionLoadSettings, &QAction::triggered, this, &MainWindow::onSettingsActionTriggered);
    connect(ui->actionLock, &QAction::triggered, this, [this] { setLock("1"); });
    connect(ui->actionUnlock, &QAction::triggered, this, [this] { setLock("0"); });
    connect(ui->actionUsable, &QAction::triggered, this, [this] { setUsable(true); });
    connect(ui->actionUnusable, &QAction::triggered, this, [this] { setUsable(false); });
    connect(ui->actionImport, &QAction::triggered, this, [this] {
        const Selection selection = selectedDevice();
        if (selection.id.isEmpty())
            return;
        Corvid::NotifyImport(toStd(selection.id));
        statusBar()->showMessage(tr("Import notice sent for %1").arg(selection.id), 3000);
    });
    connect(ui->actionRepublish, &QAction::triggered, this, [this] {
        // Waits for the window's listener, which needs this thread: off it.
        runInBackground(
            this, [] { Corvid::RepublishDeviceList(); }, [] {});
    });
    connect(ui->actionPanelTab, &QAction::toggled, m_pane, &CamPane::setPanelWidgetVisiable);
    connect(ui->actionAttributeTab, &QAction::toggled, m_pane, &CamPane::setAllDetailWidgetVisiable);
    connect(ui->actionEnglish, &QAction::triggered, this, &MainWindow::onLanguageActionTriggered);
    connect(ui->actionChinese, &QAction::triggered, this, &MainWindow::onLanguageActionTriggered);

    // Registered after the pane, so a device list reaches the pane first and
    // its boards exist when the list here is refreshed.
    m_hostEvents = new HostEvents(this);
    connect(m_hostEvents, &HostEvents::deviceListChanged, this, &MainWindow::onDeviceListChanged);
    connect(m_hostEvents, &HostEvents::focusChanged, this, &MainWindow::onServiceFocusChanged);

    onDeviceListChanged();
}

MainWindow::~MainWindow()
{
    // The listeners go before the window they report to.
    delete m_hostEvents;
    delete ui;
}

void MainWindow::start()
{
    for (const QString& file : qAsConst(m_options.simulatedFiles)) {
        const std::string id = Corvid::AddSimulatedCamera(toStd(file));
        if (id.empty())
            qCWarning(lcCamview) << "cannot add a simulated camera from" << file;
        else
            qCInfo(lcCamview) << "simulated camera" << fromStd(id) << "from" << file;
    }
    Corvid::SetLanguage(toStd(m_options.language));

    // When the service is idle, every device list so far has been handled by
    // the pane: the boards exist and the focus can be sent.
    runInBackground(
        this, [] { Corvid::WaitForIdle(); },
        [this] {
            m_started = true;
            onDeviceListChanged();
            runInBackground(
                this, [] { Corvid::WaitForIdle(); }, [this] { emit ready(); });
        });
}

bool MainWindow::saveScreenshot(const QString& fileName)
{
    QImageWriter writer(fileName, "png");
    if (!writer.write(grab().toImage())) {
        qCWarning(lcCamview) << "cannot write" << fileName << ":" << writer.errorString();
        return false;
    }
    return true;
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        retranslateTree();
        onDeviceListChanged();
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::onDeviceListChanged()
{
    QTreeWidget* tree = ui->deviceTree;
    const QString selectedId = selectedDevice().id;
    const QSignalBlocker blocker(tree);
    const QHash<QString, bool> wasUsable = m_usable;
    m_usable.clear();
    bool refocus = false;

    qDeleteAll(m_camerasItem->takeChildren());
    qDeleteAll(m_cardsItem->takeChildren());
    for (const Corvid::DeviceEntry& device : Corvid::ListDevices()) {
        const QString id = fromStd(device.id);
        QStringList state;
        state << (device.usable ? tr("usable") : tr("unusable"));
        if (!device.isCard) {
            const std::string lock = Corvid::GetCameraInfo(device.id, Corvid::CAM_INFO_LOCK);
            if (lock == "1")
                state << tr("locked");
            else if (lock == "0")
                state << tr("unlocked");
        }
        auto* item = new QTreeWidgetItem(device.isCard ? m_cardsItem : m_camerasItem);
        item->setText(ColumnDevice, id);
        item->setIcon(ColumnDevice, stateIcon(device.usable));
        item->setText(ColumnModel, fromStd(device.model));
        item->setText(ColumnState, state.join(QStringLiteral(", ")));
        item->setToolTip(ColumnDevice, fromStd(device.description));
        item->setData(ColumnDevice, RoleId, id);
        item->setData(ColumnDevice, RoleIsCard, device.isCard);
        if (id == selectedId) {
            item->setSelected(true);
            // The selected device came back: its new board gets the focus.
            refocus = device.usable && !wasUsable.value(id, true);
        }
        m_usable.insert(id, device.usable);
    }
    m_camerasItem->setText(ColumnDevice, tr("Cameras (%1)").arg(m_camerasItem->childCount()));
    m_cardsItem->setText(ColumnDevice, tr("Cards (%1)").arg(m_cardsItem->childCount()));
    updateActions();

    if (refocus)
        onDeviceTreeSelectionChanged();
    if (m_started)
        sendPendingFocus();
}

void MainWindow::onServiceFocusChanged(int type, const QString& id)
{
    Q_UNUSED(type);
    const QSignalBlocker blocker(ui->deviceTree);
    selectDevice(id);
    updateActions();
}

void MainWindow::onDeviceTreeSelectionChanged()
{
    updateActions();
    const Selection selection = selectedDevice();
    if (selection.id.isEmpty())
        return;
    m_focusPending = false;
    Corvid::SetFocus(selection.isCard ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA, toStd(selection.id));
    statusBar()->showMessage(tr("Focus on %1").arg(selection.id), 3000);
}

void MainWindow::onLanguageActionTriggered()
{
    const QString language =
        ui->actionChinese->isChecked() ? QStringLiteral("Chinese") : QStringLiteral("English");
    if (m_catalogue)
        m_catalogue->use(language);
    Corvid::SetLanguage(toStd(language));
}

void MainWindow::onSaveScreenshotTriggered()
{
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Save Screenshot"), QStringLiteral("camview.png"), tr("PNG images (*.png)"));
    if (!fileName.isEmpty() && saveScreenshot(fileName))
        statusBar()->showMessage(tr("Saved %1").arg(fileName), 3000);
}

void MainWindow::onSettingsActionTriggered()
{
    const Selection selection = selectedDevice();
    const bool load = sender() == ui->actionLoadSettings;
    if (selection.id.isEmpty())
        return;
    const QString filter = tr("Settings files (*.txt);;All files (*)");
    const QString title = load ? tr("Load Settings") : tr("Save Settings");
    const QString fileName =
        load ? QFileDialog::getOpenFileName(this, title, QString(), filter)
             : QFileDialog::getSaveFileName(this, title, selection.id + QStringLiteral(".txt"), filter);
    if (fileName.isEmpty())
        return;
    // Over a network a large device takes a while: off the GUI thread.
    auto report = std::make_shared<SettingsReport>();
    ui->actionSaveSettings->setEnabled(false);
    ui->actionLoadSettings->setEnabled(false);
    runInBackground(
        this,
        [=] {
            *report = load ? loadDeviceSettings(selection.id, selection.isCard, fileName)
                           : saveDeviceSettings(selection.id, selection.isCard, fileName);
        },
        [=] {
            updateActions();
            statusBar()->showMessage(report->summary, 5000);
            showSettingsReport(this, title, *report);
        });
}

MainWindow::Selection MainWindow::selectedDevice() const
{
    Selection selection;
    const QList<QTreeWidgetItem*> items = ui->deviceTree->selectedItems();
    if (!items.isEmpty()) {
        selection.id = items.first()->data(ColumnDevice, RoleId).toString();
        selection.isCard = items.first()->data(ColumnDevice, RoleIsCard).toBool();
    }
    return selection;
}

void MainWindow::updateActions()
{
    const Selection selection = selectedDevice();
    const bool any = !selection.id.isEmpty();
    const bool camera = any && !selection.isCard;
    ui->actionLock->setEnabled(camera);
    ui->actionUnlock->setEnabled(camera);
    ui->actionUsable->setEnabled(any);
    ui->actionUnusable->setEnabled(any);
    ui->actionImport->setEnabled(any);
    ui->actionSaveSettings->setEnabled(any);
    ui->actionLoadSettings->setEnabled(any);
}

void MainWindow::selectDevice(const QString& id)
{
    ui->deviceTree->clearSelection();
    for (QTreeWidgetItem* group : {m_camerasItem, m_cardsItem}) {
        for (int i = 0; i < group->childCount(); ++i) {
            QTreeWidgetItem* item = group->child(i);
            if (item->data(ColumnDevice, RoleId).toString() == id) {
                item->setSelected(true);
                ui->deviceTree->setCurrentItem(item);
            }
        }
    }
}

void MainWindow::sendPendingFocus()
{
    if (!m_focusPending)
        return;
    QString id = m_options.focusId;
    bool isCard = false;
    bool found = false;
    for (const Corvid::DeviceEntry& device : Corvid::ListDevices()) {
        const QString deviceId = fromStd(device.id);
        if (id.isEmpty() ? (!device.isCard && device.usable) : deviceId == id) {
            id = deviceId;
            isCard = device.isCard;
            found = true;
            break;
        }
    }
    if (!found)
        return; // not there yet: a later device list may bring it
    m_focusPending = false;
    Corvid::SetFocus(isCard ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA, toStd(id));
}

void MainWindow::setLock(const char* lockText)
{
    const Selection selection = selectedDevice();
    if (selection.id.isEmpty() || selection.isCard)
        return;
    Corvid::SetCameraLock(toStd(selection.id), lockText);
}

void MainWindow::setUsable(bool usable)
{
    const Selection selection = selectedDevice();
    if (selection.id.isEmpty())
        return;
    Corvid::SetDeviceUsable(toStd(selection.id), usable);
}

void MainWindow::retranslateTree()
{
    m_camerasItem->setText(ColumnDevice, tr("Cameras (%1)").arg(m_camerasItem->childCount()));
    m_cardsItem->setText(ColumnDevice, tr("Cards (%1)").arg(m_cardsItem->childCount()));
}
