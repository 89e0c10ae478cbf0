#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "background.h"
#include "hostevents.h"
#include "imageview.h"
#include "languagecatalogue.h"
#include "logpanel.h"
#include "printable.h"
#include "problemarea.h"
#include "settingsfile.h"

#include <Corvid/CorvidHost.h>
#include <campane.h>

#include <QActionGroup>
#include <QDockWidget>
#include <QFileDialog>
#include <QHeaderView>
#include <QImageWriter>
#include <QLabel>
#include <QLoggingCategory>
#include <QPainter>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
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

// Why the device cannot be used although it was found; "" when it opened.
std::string deviceError(const std::string& id)
{
    if (id.empty())
        return std::string();
    const std::string cameraError = Corvid::GetCameraInfo(id, Corvid::CAM_INFO_ERROR);
    return cameraError.empty() ? Corvid::GetCardInfo(id, Corvid::CARD_INFO_ERROR) : cameraError;
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
    // A narrow window takes from the pane and the list before the image
    // (fitSplitter); none of the three collapses.
    m_pane->setMinimumWidth(kPaneMinimumWidth);
    m_imageView->setMinimumWidth(160);
    ui->deviceTree->setMinimumWidth(kListMinimumWidth);
    for (int i = 0; i < 3; ++i)
        ui->splitter->setCollapsible(i, false);
    ui->splitter->setSizes({330, 570, 700});
    connect(ui->splitter, &QSplitter::splitterMoved, this, [this] { m_splitterMovedByUser = true; });
    resize(options.windowSize.isValid() ? options.windowSize
                                        : QSize(qMax(width(), 1600), qMax(height(), 820)));

    QTreeWidget* tree = ui->deviceTree;
    tree->setIndentation(14);
    tree->header()->setStretchLastSection(true);
    // The list is as wide as its columns when there is room; in a narrow
    // window the texts are elided (the tooltips hold them whole).
    tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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

    auto* languages = new QActionGroup(this);
    languages->addAction(ui->actionEnglish);
    languages->addAction(ui->actionChinese);
    languages->setExclusive(true);
    (m_options.language == QLatin1String("Chinese") ? ui->actionChinese : ui->actionEnglish)
        ->setChecked(true);

    connect(tree, &QTreeWidget::itemSelectionChanged, this, &MainWindow::onDeviceTreeSelectionChanged);
    connect(ui->actionQuit, &QAction::triggered, this, &QWidget::close);
    connect(ui->actionSaveScreenshot, &QAction::triggered, this, &MainWindow::onSaveScreenshotTriggered);
    connect(ui->actionSaveImage, &QAction::triggered, this, &MainWindow::onSaveImageTriggered);
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

    // The log: a panel at the bottom (View menu, or the status bar's
    // button) and the last problem of the shown device in the status bar.
    m_logPanel = new LogPanel(this);
    m_logDock = new QDockWidget(this);
    m_logDock->setObjectName(QStringLiteral("logDock"));
    m_logDock->setWidget(m_logPanel);
    m_logDock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    addDockWidget(Qt::BottomDockWidgetArea, m_logDock);
    m_logDock->hide();
    QAction* logAction = m_logDock->toggleViewAction();
    logAction->setObjectName(QStringLiteral("actionLogPanel"));
    logAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    ui->menuView->addSeparator();
    ui->menuView->addAction(logAction);
    m_problemArea = new ProblemArea(this);
    m_logButton = new QToolButton(this);
    m_logButton->setObjectName(QStringLiteral("logButton"));
    m_logButton->setAutoRaise(true);
    m_logButton->setDefaultAction(logAction);
    statusBar()->addWidget(m_problemArea, 1);
    statusBar()->addPermanentWidget(m_logButton);
    connect(LogSink::instance(), &LogSink::entryAdded, this, &MainWindow::onLogEntryAdded);
    connect(LogSink::instance(), &LogSink::featureWritten, m_problemArea, &ProblemArea::featureWritten);
    for (const LogEntry& entry : LogSink::instance()->entries()) {
        if (entry.source != LogEntry::Source::Qt)
            m_logPanel->addEntry(entry);
    }

    m_focusTimer = new QTimer(this);
    m_focusTimer->setSingleShot(true);
    connect(m_focusTimer, &QTimer::timeout, this, [this] {
        if (!m_focusPending)
            return;
        m_focusPending = false;
        const QString message =
            tr("Device %1 was not listed within %2 s").arg(m_options.focusId).arg(m_options.waitSeconds);
        qCWarning(lcCamview).noquote() << message;
        emit focusTimedOut(message);
    });

    // Registered after the pane, so a device list reaches the pane first and
    // its boards exist when the list here is refreshed.
    m_hostEvents = new HostEvents(this);
    connect(m_hostEvents, &HostEvents::deviceListChanged, this, &MainWindow::onDeviceListChanged);
    connect(m_hostEvents, &HostEvents::focusChanged, this, &MainWindow::onServiceFocusChanged);

    refreshDeviceList();
}

MainWindow::~MainWindow()
{
    // The listeners go before the window they report to.
    delete m_hostEvents;
    delete ui;
}

void MainWindow::start()
{
    // A file that cannot be read gives no device; a description that is
    // refused gives one that is listed unusable, with the reason.
    const auto check = [this](const std::string& id, const QString& message, const QString& file) {
        const std::string error = deviceError(id);
        if (id.empty() || !error.empty())
            addStartError(message, file, fromStd(error));
    };
    for (const QString& file : qAsConst(m_options.simulatedFiles))
        check(Corvid::AddSimulatedCamera(toStd(file)), tr("Cannot add the simulated camera %1").arg(file),
              file);
    for (const QString& file : qAsConst(m_options.simulatedCards))
        check(Corvid::AddSimulatedCard(toStd(file)), tr("Cannot add the simulated card %1").arg(file), file);
    // A device on the network may take its open's whole deadline (or be
    // refused only then): the window does not wait for it.
    const QStringList addresses = m_options.cameraAddresses;
    const std::string language = toStd(m_options.language);
    auto opened = std::make_shared<std::vector<std::string>>();

    // When the service is idle, every device list so far has been handled by
    // the pane: the boards exist and the focus can be sent.
    runInBackground(
        this,
        [addresses, language, opened] {
            for (const QString& address : addresses)
                opened->push_back(Corvid::AddAravisCamera(toStd(address)));
            Corvid::SetLanguage(language);
            Corvid::WaitForIdle();
        },
        [this, addresses, opened, check] {
            for (int i = 0; i < addresses.size() && size_t(i) < opened->size(); ++i)
                check((*opened)[size_t(i)], tr("Cannot open the camera %1").arg(addresses[i]), addresses[i]);
            m_started = true;
            refreshDeviceList();
            sendPendingFocus(QStringList(), QStringList(), true);
            if (m_focusPending && !m_options.focusId.isEmpty())
                m_focusTimer->start(m_options.waitSeconds * 1000);
            else
                finishStart();
        });
}

void MainWindow::finishStart()
{
    // Once the focus sent last is delivered, the chosen board is shown.
    if (m_finishing)
        return;
    m_finishing = true;
    m_focusTimer->stop();
    runInBackground(
        this, [] { Corvid::WaitForIdle(); }, [this] { emit ready(); });
}

void MainWindow::addStartError(const QString& message, const QString& file, QString reason)
{
    // Without a reason from the device, the service logged why, naming the
    // file: the message carries that.
    const QVector<LogEntry> entries = LogSink::instance()->entries();
    for (auto it = entries.crbegin(); reason.isEmpty() && it != entries.crend(); ++it) {
        const int at = it->text.indexOf(file);
        if (it->source == LogEntry::Source::Service && it->isProblem() && at >= 0) {
            reason = it->text.mid(at + file.size());
            while (reason.startsWith(QLatin1Char(':')) || reason.startsWith(QLatin1Char(' ')))
                reason.remove(0, 1);
            break;
        }
    }
    const QString text = reason.isEmpty() ? message : message + QStringLiteral(": ") + reason;
    m_startErrors << text;
    qCCritical(lcCamview).noquote() << text;
}

QString MainWindow::problemText() const
{
    return m_problemArea->text();
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

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fitSplitter();
}

void MainWindow::fitSplitter()
{
    QList<int> sizes = ui->splitter->sizes();
    if (sizes.size() != 3)
        return;
    const int total = sizes[0] + sizes[1] + sizes[2];
    if (total <= 0)
        return;
    // The list as wide as its columns (until the user chose a width), at
    // most 30 % of the window.
    if (!m_splitterMovedByUser) {
        QTreeWidget* tree = ui->deviceTree;
        const QAbstractItemModel* model = tree->model();
        // Frame, scroll bar and a little room for a longer state text.
        int columns = tree->frameWidth() * 2 + tree->verticalScrollBar()->sizeHint().width() + 12;
        for (int c = 0; c < tree->columnCount(); ++c) {
            int widest = tree->header()->sectionSizeHint(c);
            for (int group = 0; group < model->rowCount(); ++group) {
                const QModelIndex parent = model->index(group, 0);
                widest = qMax(widest, tree->sizeHintForIndex(model->index(group, c)).width());
                for (int row = 0; row < model->rowCount(parent); ++row)
                    widest = qMax(widest, tree->sizeHintForIndex(model->index(row, c, parent)).width() +
                                              (c == 0 ? tree->indentation() : 0));
            }
            columns += widest;
        }
        const int list = qBound(kListMinimumWidth, columns, total * 3 / 10);
        const int pane = qBound(kPaneMinimumWidth, total * 9 / 25, 620);
        sizes = {list, total - list - pane, pane};
    }
    // The image keeps a useful size: the pane, then the list give way.
    const int useful = qMin(total * 2 / 5, 480);
    int missing = useful - sizes[1];
    for (int from : {2, 0}) {
        const int minimum = from == 2 ? kPaneMinimumWidth : kListMinimumWidth;
        const int give = qBound(0, missing, sizes[from] - minimum);
        sizes[from] -= give;
        sizes[1] += give;
        missing -= give;
    }
    if (sizes != ui->splitter->sizes())
        ui->splitter->setSizes(sizes);
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        refreshDeviceList();
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::onDeviceListChanged(const QStringList& cards, const QStringList& cameras)
{
    const QString selectedId = selectedDevice().id;
    const QHash<QString, bool> wasUsable = m_usable;
    refreshDeviceList();
    // A device that is usable again has no problem any more that made it
    // unusable or lost.
    for (auto it = m_usable.cbegin(); it != m_usable.cend(); ++it) {
        if (it.value() && wasUsable.contains(it.key()) && !wasUsable.value(it.key()))
            m_problemArea->clearProblemsOf(it.key());
    }

    if (!m_started)
        return;
    if (m_focusPending) {
        sendPendingFocus(cards, cameras);
        return;
    }
    if (selectedId.isEmpty())
        return;

    const bool listed = m_usable.contains(selectedId);
    const bool usable = m_usable.value(selectedId, false);
    if (wasUsable.value(selectedId, false) && !usable)
        reportLostSelection(selectedId);
    if (usable) {
        // A camera listed as unusable makes the pane show its empty board,
        // whichever board was shown: the selected device gets it back.
        bool paneShowsDefault = !wasUsable.value(selectedId, false);
        for (const QString& camera : cameras)
            paneShowsDefault = paneShowsDefault || !m_usable.value(camera, true);
        if (paneShowsDefault)
            sendFocusOfSelection();
    } else if (!listed || selectedDevice().isCard) {
        // A card's board that goes leaves the pane without a board.
        Corvid::SetFocus(Corvid::FOCUS_NONE, std::string());
    }
}

void MainWindow::refreshDeviceList()
{
    QTreeWidget* tree = ui->deviceTree;
    const QString selectedId = selectedDevice().id;
    const QSignalBlocker blocker(tree);
    m_usable.clear();

    qDeleteAll(m_camerasItem->takeChildren());
    qDeleteAll(m_cardsItem->takeChildren());
    for (const Corvid::DeviceEntry& device : Corvid::ListDevices()) {
        const QString id = fromStd(device.id);
        QStringList state;
        if (device.usable)
            state << tr("usable");
        else if (!device.error.empty())
            state << tr("refused: %1").arg(fromStd(device.error));
        else if (!device.isCard && Corvid::GetCameraInfo(device.id, Corvid::CAM_INFO_CONNECTED) == "0")
            state << tr("lost");
        else
            state << tr("unusable");
        if (!device.isCard) {
            const std::string lock = Corvid::GetCameraInfo(device.id, Corvid::CAM_INFO_LOCK);
            if (lock == "1")
                state << tr("locked");
            else if (lock == "0")
                state << tr("unlocked");
        }
        auto* item = new QTreeWidgetItem(device.isCard ? m_cardsItem : m_camerasItem);
        item->setText(ColumnDevice, id);
        item->setToolTip(ColumnModel, fromStd(device.model));
        item->setIcon(ColumnDevice, stateIcon(device.usable));
        item->setText(ColumnModel, fromStd(device.model));
        item->setText(ColumnState, state.join(QStringLiteral(", ")));
        item->setToolTip(ColumnState, plainToolTip(item->text(ColumnState)));
        item->setToolTip(ColumnDevice, plainToolTip(fromStd(device.description)));
        if (!device.error.empty()) {
            // The reason the device cannot be used, where the user looks.
            const QString error = tr("Cannot be used: %1").arg(fromStd(device.error));
            item->setToolTip(ColumnDevice,
                             plainToolTip(fromStd(device.description) + QLatin1Char('\n') + error));
            item->setToolTip(ColumnState, plainToolTip(error));
        }
        item->setData(ColumnDevice, RoleId, id);
        item->setData(ColumnDevice, RoleIsCard, device.isCard);
        if (id == selectedId) {
            item->setSelected(true);
            tree->setCurrentItem(item);
        }
        m_usable.insert(id, device.usable);
    }
    retranslateTree();
    updateActions();
    fitSplitter();
}

void MainWindow::reportLostSelection(const QString& id)
{
    QString message;
    if (!m_usable.contains(id))
        message = tr("%1 is no longer listed: the empty board is shown");
    else if (Corvid::GetCameraInfo(toStd(id), Corvid::CAM_INFO_CONNECTED) == "0")
        message = tr("%1 stopped answering: its board is closed and the empty board is shown");
    else
        message = tr("%1 is no longer usable: its board is closed and the empty board is shown");
    qCWarning(lcCamview).noquote() << message.arg(id);
}

void MainWindow::sendFocusOfSelection()
{
    const Selection selection = selectedDevice();
    if (selection.id.isEmpty())
        Corvid::SetFocus(Corvid::FOCUS_NONE, std::string());
    else
        Corvid::SetFocus(selection.isCard ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA, toStd(selection.id));
}

void MainWindow::onServiceFocusChanged(int type, const QString& id)
{
    Q_UNUSED(type);
    m_shownId = id;
    m_problemArea->setShownDevice(id);
    // The empty board leaves the selection alone: the selected device may
    // only be unusable for now.
    if (id.isEmpty())
        return;
    const QSignalBlocker blocker(ui->deviceTree);
    selectDevice(id);
    updateActions();
}

void MainWindow::onLogEntryAdded(const LogEntry& logged)
{
    LogEntry entry = logged;
    // The pane logs for the board the user works on.
    if (entry.device.isEmpty() && entry.source == LogEntry::Source::Pane)
        entry.device = m_shownId;
    // Qt's own messages (platform notes, style-sheet parsing) stay on
    // stderr: the panel is about the devices.
    if (entry.source == LogEntry::Source::Qt)
        return;
    m_logPanel->addEntry(entry);
    if (!entry.isProblem())
        return;
    m_problemArea->addProblem(entry);
    ++m_problemCount;
    retranslateTree();
}

void MainWindow::onDeviceTreeSelectionChanged()
{
    updateActions();
    const Selection selection = selectedDevice();
    if (selection.id.isEmpty())
        return;
    m_focusPending = false;
    Corvid::SetFocus(selection.isCard ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA, toStd(selection.id));
    const std::string error = deviceError(toStd(selection.id));
    if (error.empty())
        statusBar()->showMessage(tr("Focus on %1").arg(selection.id), 3000);
    else
        statusBar()->showMessage(tr("%1 cannot be used: %2").arg(selection.id, fromStd(error)), 10000);
}

void MainWindow::onLanguageActionTriggered()
{
    const QString language =
        ui->actionChinese->isChecked() ? QStringLiteral("Chinese") : QStringLiteral("English");
    if (m_catalogue)
        m_catalogue->use(language);
    Corvid::SetLanguage(toStd(language));
    // A language switch puts every board's level selector on "Beginner"
    // while its tree keeps its level; showing the board again puts the level
    // in force back into the selector.
    if (!m_focusPending)
        sendFocusOfSelection();
}

void MainWindow::onSaveScreenshotTriggered()
{
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Save Screenshot"), QStringLiteral("camview.png"), tr("PNG images (*.png)"));
    if (!fileName.isEmpty() && saveScreenshot(fileName))
        statusBar()->showMessage(tr("Saved %1").arg(fileName), 3000);
}

void MainWindow::onSaveImageTriggered()
{
    if (m_imageView->image().isNull()) {
        statusBar()->showMessage(tr("There is no image to save"), 3000);
        return;
    }
    const QString fileName = QFileDialog::getSaveFileName(this, tr("Save Image"), QStringLiteral("image.png"),
                                                          tr("PNG images (*.png)"));
    if (fileName.isEmpty())
        return;
    QString error;
    if (m_imageView->saveImage(fileName, &error))
        statusBar()->showMessage(tr("Saved %1").arg(fileName), 3000);
    else
        qCWarning(lcCamview).noquote() << error;
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

void MainWindow::sendPendingFocus(const QStringList& cards, const QStringList& cameras, bool allHandled)
{
    // The device must be usable in a list the pane has handled: then its
    // board exists. At start every list so far is handled.
    QString id = m_options.focusId;
    bool isCard = false;
    bool found = false;
    for (const Corvid::DeviceEntry& device : Corvid::ListDevices()) {
        const QString deviceId = fromStd(device.id);
        // The device may be named by its id or by its address.
        const bool named = !id.isEmpty() && (deviceId == id || fromStd(device.description) == id);
        if (named && !device.usable && !device.error.empty()) {
            // A device that was refused will not come: no use waiting.
            m_focusPending = false;
            m_focusTimer->stop();
            const QString message = tr("Device %1 cannot be used: %2").arg(deviceId, fromStd(device.error));
            qCWarning(lcCamview).noquote() << message;
            emit focusTimedOut(message);
            return;
        }
        const bool handled = allHandled || (device.isCard ? cards : cameras).contains(deviceId);
        if (!handled || !device.usable)
            continue;
        if (id.isEmpty() ? !device.isCard : named) {
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
    finishStart();
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
    m_logDock->setWindowTitle(tr("Log"));
    m_logDock->toggleViewAction()->setText(m_problemCount > 0 ? tr("Log (%1)").arg(m_problemCount)
                                                              : tr("Log"));
    m_logDock->toggleViewAction()->setToolTip(tr("Show the log of the pane, the service and camview"));
}
