#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "background.h"
#include "devicelist.h"
#include "hostevents.h"
#include "imageview.h"
#include "languagecatalogue.h"
#include "logsink.h"
#include "problemindicator.h"
#include "settingsfile.h"
#include "startsequence.h"
#include "stdtext.h"

#include <Corvid/CorvidHost.h>
#include <campane.h>

#include <QActionGroup>
#include <QFileDialog>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>

#include <memory>

Q_LOGGING_CATEGORY(lcCamview, "camview")

static void initCamviewResources()
{
    Q_INIT_RESOURCE(camview);
}

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

    m_devices = new DeviceList(ui->deviceTree, this);

    auto* languages = new QActionGroup(this);
    languages->addAction(ui->actionEnglish);
    languages->addAction(ui->actionChinese);
    languages->setExclusive(true);
    (m_options.language == QLatin1String("Chinese") ? ui->actionChinese : ui->actionEnglish)
        ->setChecked(true);

    connect(ui->deviceTree, &QTreeWidget::itemSelectionChanged, this,
            &MainWindow::onDeviceTreeSelectionChanged);
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
        const DeviceList::Selection selection = m_devices->selected();
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
    m_problems = new ProblemIndicator(this, ui->menuView);

    m_start = new StartSequence(m_options, this);
    connect(m_start, &StartSequence::devicesAdded, this, &MainWindow::refreshDeviceList);
    connect(m_start, &StartSequence::ready, this, &MainWindow::ready);
    connect(m_start, &StartSequence::focusTimedOut, this, &MainWindow::focusTimedOut);

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
    m_start->start();
}

QStringList MainWindow::startErrors() const
{
    return m_start->errors();
}

LogPanel* MainWindow::logPanel() const
{
    return m_problems->logPanel();
}

QString MainWindow::problemText() const
{
    return m_problems->problemText();
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
        const int columns = m_devices->contentWidth();
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
    const QString selectedId = m_devices->selected().id;
    const QHash<QString, bool> wasUsable = m_devices->usability();
    const QHash<QString, bool>& usability = m_devices->usability();
    refreshDeviceList();
    // A device that is usable again has no problem any more that made it
    // unusable or lost.
    for (auto it = usability.cbegin(); it != usability.cend(); ++it) {
        if (it.value() && wasUsable.contains(it.key()) && !wasUsable.value(it.key()))
            m_problems->clearProblemsOf(it.key());
    }

    if (!m_start->started())
        return;
    if (m_start->focusPending()) {
        m_start->sendPendingFocus(cards, cameras);
        return;
    }
    if (selectedId.isEmpty())
        return;

    const bool listed = usability.contains(selectedId);
    const bool usable = usability.value(selectedId, false);
    if (wasUsable.value(selectedId, false) && !usable)
        reportLostSelection(selectedId);
    if (usable) {
        // A camera listed as unusable makes the pane show its empty board,
        // whichever board was shown: the selected device gets it back.
        bool paneShowsDefault = !wasUsable.value(selectedId, false);
        for (const QString& camera : cameras)
            paneShowsDefault = paneShowsDefault || !usability.value(camera, true);
        if (paneShowsDefault)
            sendFocusOfSelection();
    } else if (!listed || m_devices->selected().isCard) {
        // A card's board that goes leaves the pane without a board.
        Corvid::SetFocus(Corvid::FOCUS_NONE, std::string());
    }
}

void MainWindow::refreshDeviceList()
{
    m_devices->refresh();
    retranslateTree();
    updateActions();
    fitSplitter();
}

void MainWindow::reportLostSelection(const QString& id)
{
    QString message;
    if (!m_devices->usability().contains(id))
        message = tr("%1 is no longer listed: the empty board is shown");
    else if (Corvid::GetCameraInfo(toStd(id), Corvid::CAM_INFO_CONNECTED) == "0")
        message = tr("%1 stopped answering: its board is closed and the empty board is shown");
    else
        message = tr("%1 is no longer usable: its board is closed and the empty board is shown");
    LogSink::logAbout(lcCamview(), QtWarningMsg, id, message.arg(id));
}

void MainWindow::sendFocusOfSelection()
{
    const DeviceList::Selection selection = m_devices->selected();
    if (selection.id.isEmpty())
        Corvid::SetFocus(Corvid::FOCUS_NONE, std::string());
    else
        Corvid::SetFocus(selection.isCard ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA, toStd(selection.id));
}

void MainWindow::onServiceFocusChanged(int type, const QString& id)
{
    Q_UNUSED(type);
    m_problems->setShownDevice(id);
    // The empty board leaves the selection alone: the selected device may
    // only be unusable for now.
    if (id.isEmpty())
        return;
    const QSignalBlocker blocker(ui->deviceTree);
    m_devices->select(id);
    updateActions();
}

void MainWindow::onDeviceTreeSelectionChanged()
{
    updateActions();
    const DeviceList::Selection selection = m_devices->selected();
    if (selection.id.isEmpty())
        return;
    m_start->cancelPendingFocus();
    Corvid::SetFocus(selection.isCard ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA, toStd(selection.id));
    const std::string error = DeviceList::errorOf(toStd(selection.id));
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
    if (!m_start->focusPending())
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
    const DeviceList::Selection selection = m_devices->selected();
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

void MainWindow::updateActions()
{
    const DeviceList::Selection selection = m_devices->selected();
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

void MainWindow::setLock(const char* lockText)
{
    const DeviceList::Selection selection = m_devices->selected();
    if (selection.id.isEmpty() || selection.isCard)
        return;
    Corvid::SetCameraLock(toStd(selection.id), lockText);
}

void MainWindow::setUsable(bool usable)
{
    const DeviceList::Selection selection = m_devices->selected();
    if (selection.id.isEmpty())
        return;
    Corvid::SetDeviceUsable(toStd(selection.id), usable);
}

void MainWindow::retranslateTree()
{
    m_devices->retranslate();
    m_problems->retranslate();
}
