#include "camboardmanager.h"
#include "ui_camboardmanager.h"

#include "camboard.h"
#include "devicelistupdate.h"
#include "featuretext.h"
#include "focusupdate.h"
#include "imagemodeupdate.h"
#include "importupdate.h"
#include "languageupdate.h"
#include "roiupdate.h"

#include <QLoggingCategory>
#include <QMutexLocker>
#include <QTimer>

Q_LOGGING_CATEGORY(lcManager, "campane.manager", QtInfoMsg)

namespace {

// Kind of frame-grabber card that gets a board.
const char* const kBoardCardKind = "4";

} // namespace

CamBoardManager::CamBoardManager(QWidget* parent)
    : QWidget(parent), m_deviceListUpdate(new DeviceListUpdate), m_focusUpdate(new FocusUpdate),
      m_languageUpdate(new LanguageUpdate), m_roiUpdate(new ROIUpdate(this)),
      m_imageModeUpdate(new ImageModeUpdate), m_importUpdate(new ImportUpdate),
      m_defaultBoard(new CamBoard(this)), ui(new Ui::CamBoardManager)
{
    ui->setupUi(this);
    showBoard(m_defaultBoard);

    // The signals that come from the service's threads are queued; their
    // argument types must be known to the meta-type system by these names.
    qRegisterMetaType<QSharedPointer<bool>>("QSharedPointer<bool>");
    qRegisterMetaType<Corvid::FOCUS_TYPE>("FOCUS_TYPE");
    qRegisterMetaType<Corvid::FOCUS_TYPE>("Corvid::FOCUS_TYPE");
    qRegisterMetaType<std::string>("std::string");

    connect(m_deviceListUpdate, &DeviceListUpdate::updateCams, this, &CamBoardManager::onDeviceListUpdate,
            Qt::AutoConnection);
    connect(m_focusUpdate, &FocusUpdate::focusChanged, this, &CamBoardManager::onFoucusChanged,
            Qt::AutoConnection);
    connect(m_imageModeUpdate, &ImageModeUpdate::imageModeChanged, this, &CamBoardManager::onImageModeUpdate,
            Qt::AutoConnection);
    connect(
        m_languageUpdate, &LanguageUpdate::languageChanged, this,
        [this](int language) { setLanguage(language); }, Qt::AutoConnection);
    connect(m_importUpdate, &ImportUpdate::importUpdate, this, &CamBoardManager::onImportChanged,
            Qt::AutoConnection);

    // Registered last: the service may call a listener as soon as it is
    // registered (it brings a new device-list listener up to date at once), and
    // a signal emitted before its connection exists would be lost, leaving the
    // service's thread waiting in vain.
    Corvid::RegisterDeviceListUpdateListener(m_deviceListUpdate);
    Corvid::RegisterFocusUpdateListener(m_focusUpdate);
    Corvid::RegisterLangUpdateListener(m_languageUpdate);
    Corvid::RegisterROIUpdateListener(m_roiUpdate);
    Corvid::RegisterImageModeUpdateListener(m_imageModeUpdate);
    Corvid::RegisterImportUpdateListener(m_importUpdate);

    // The stored user level is loaded once the host has settled.
    QTimer::singleShot(1000, this, [this] { m_defaultBoard->loadUserLevel(); });
}

CamBoardManager::~CamBoardManager()
{
    Corvid::UnRegisterFocusUpdateListener(m_focusUpdate);
    Corvid::UnRegisterDeviceListUpdateListener(m_deviceListUpdate);
    Corvid::UnRegisterLangUpdateListener(m_languageUpdate);
    Corvid::UnRegisterROIUpdateListener(m_roiUpdate);
    Corvid::UnRegisterImageModeUpdateListener(m_imageModeUpdate);
    Corvid::UnRegisterImportUpdateListener(m_importUpdate);

    delete m_focusUpdate;
    delete m_deviceListUpdate;
    delete m_languageUpdate;
    delete m_roiUpdate;
    delete m_imageModeUpdate;
    delete m_importUpdate;
    delete ui;
}

void CamBoardManager::setPanelWidgetVisiable(bool visible)
{
    QMutexLocker locker(&m_mutex);
    for (CamBoard* board : qAsConst(m_cameraBoards))
        board->setPanelTabVisible(visible);
    for (CamBoard* board : qAsConst(m_cardBoards))
        board->setPanelTabVisible(visible);
    m_defaultBoard->setPanelTabVisible(visible);
    m_panelVisible = visible;
    if (QWidget* pane = parentWidget())
        pane->setVisible(m_panelVisible || m_detailVisible);
}

void CamBoardManager::setAllDetailWidgetVisiable(bool visible)
{
    QMutexLocker locker(&m_mutex);
    for (CamBoard* board : qAsConst(m_cameraBoards))
        board->setAttributeTabVisible(visible);
    for (CamBoard* board : qAsConst(m_cardBoards))
        board->setAttributeTabVisible(visible);
    m_defaultBoard->setAttributeTabVisible(visible);
    m_detailVisible = visible;
    if (QWidget* pane = parentWidget())
        pane->setVisible(m_panelVisible || m_detailVisible);
}

void CamBoardManager::setParamterViewDisable(QString id)
{
    if (CamBoard* board = m_cameraBoards.value(id))
        board->disableView();
}

void CamBoardManager::setDefaultMode(int mode)
{
    Q_UNUSED(mode);
    m_defaultBoard->buildPanel();
}

void CamBoardManager::onDeviceListUpdate(int source, QStringList cardList, QStringList camList,
                                         QSharedPointer<bool> finishPointer)
{
    if (source != 1) {
        setFinished(finishPointer);
        return;
    }

    // Card step: only the first card of the list is looked at.
    const QString cardId = cardList.value(0);
    if (!cardId.isEmpty() && Corvid::GetCardInfo(toStd(cardId), Corvid::CARD_INFO_KIND) == kBoardCardKind) {
        if (Corvid::GetCardInfo(toStd(cardId), Corvid::CARD_INFO_USABLE) != "1") {
            QMutexLocker locker(&m_mutex);
            removeBoard(m_cardBoards, cardId);
        } else if (!m_cardBoards.contains(cardId)) {
            // A new card board ends this list; its cameras are handled on a
            // later one. Built before the lock: the ROI lookup waits only
            // for the insertion.
            CamBoard* board = createBoard(cardId, true, false);
            {
                QMutexLocker locker(&m_mutex);
                m_cardBoards.insert(cardId, board);
            }
            setFinished(finishPointer);
            return;
        }
    }

    // Camera step.
    for (const QString& id : qAsConst(camList)) {
        const std::string stdId = toStd(id);
        const std::string lockText = Corvid::GetCameraInfo(stdId, Corvid::CAM_INFO_LOCK);
        const bool usable = Corvid::GetCameraInfo(stdId, Corvid::CAM_INFO_CONNECTED) == "1" &&
                            Corvid::GetCameraInfo(stdId, Corvid::CAM_INFO_OPENED) == "1";
        if (!usable) {
            {
                QMutexLocker locker(&m_mutex);
                removeBoard(m_cameraBoards, id);
            }
            onFoucusChanged(Corvid::FOCUS_CARD, QString());
            continue;
        }

        CamBoard* cameraBoard = m_cameraBoards.value(id);
        if (!cameraBoard) {
            // Only the structured-light kinds run the panel's slots.
            const std::string kind = Corvid::GetCameraInfo(stdId, Corvid::CAM_INFO_KIND);
            const bool restricted = !(kind == "1" || kind == "5");
            cameraBoard = createBoard(id, false, restricted);
            QMutexLocker locker(&m_mutex);
            m_cameraBoards.insert(id, cameraBoard);
        }

        CamBoard* cardBoard = m_cardBoards.value(cardId);
        if (lockText == "1" || lockText == "0") {
            if (lockText == "1")
                cameraBoard->lockPanel();
            else
                cameraBoard->unlockPanel();
            cameraBoard->reloadPanel(false);
            if (cardBoard)
                cardBoard->reloadPanel(false);
        }
    }

    setFinished(finishPointer);
}

void CamBoardManager::onFoucusChanged(Corvid::FOCUS_TYPE type, QString id)
{
    if (type == Corvid::FOCUS_CARD && m_cardBoards.contains(id))
        showBoard(m_cardBoards.value(id));
    else if (type == Corvid::FOCUS_CAMERA && m_cameraBoards.contains(id))
        showBoard(m_cameraBoards.value(id));
    else
        showBoard(m_defaultBoard);
}

void CamBoardManager::onImageModeUpdate(std::string id, int mode)
{
    if (CamBoard* board = m_cameraBoards.value(fromStd(id)))
        board->setImageMode(mode);
}

void CamBoardManager::onROIPosChanged(std::string id, int leftX, int leftY, int rightX, int rightY,
                                      int operation, int& roiId, bool& status)
{
    // Called on the image view's thread; roiId and status stay as they are.
    Q_UNUSED(roiId);
    Q_UNUSED(status);
    // Operation 1 moves the region; 0, our own, ends the drawing phase from
    // the image view (Escape).
    if (operation != 1 && operation != 0)
        return;
    QMutexLocker locker(&m_mutex);
    if (CamBoard* board = m_cameraBoards.value(fromStd(id))) {
        if (operation == 1)
            board->setRoiPosition(leftX, leftY, rightX, rightY);
        else
            board->endRoiDrawing();
    }
}

void CamBoardManager::onImportChanged(QString id)
{
    if (CamBoard* board = m_cameraBoards.value(id))
        board->reloadPanel(true);
    if (CamBoard* board = m_cardBoards.value(id))
        board->reloadPanel(true);
}

CamBoard* CamBoardManager::createBoard(const QString& id, bool isCard, bool restricted)
{
    qCDebug(lcManager) << "creating the board of" << (isCard ? "card" : "camera") << id;
    auto* board = new CamBoard(this);
    // Hidden until the device gets the focus.
    board->hide();
    board->m_isCard = isCard;
    board->m_restricted = restricted;
    board->m_deferBuild = true;
    board->setPanelTabVisible(m_panelVisible);
    board->setAttributeTabVisible(m_detailVisible);
    board->setDeviceId(id);
    board->setLanguage(m_language);
    return board;
}

void CamBoardManager::removeBoard(QMap<QString, CamBoard*>& boards, const QString& id)
{
    if (CamBoard* board = boards.value(id)) {
        qCDebug(lcManager) << "removing the board of" << id;
        board->disableView();
        if (m_currentBoard == board)
            m_currentBoard = nullptr;
        board->deleteLater();
    }
    boards.remove(id);
}

void CamBoardManager::showBoard(CamBoard* board)
{
    if (m_currentBoard)
        m_currentBoard->hide();
    // A board's rows and tree are built when it is first shown, while it is
    // still hidden, so that its first paint already has them.
    board->buildDeferredParts();
    board->show();
    ui->verticalLayout->addWidget(board);
    m_currentBoard = board;
    board->loadUserLevel();
}

void CamBoardManager::setLanguage(int language)
{
    for (CamBoard* board : qAsConst(m_cameraBoards))
        board->setLanguage(language);
    for (CamBoard* board : qAsConst(m_cardBoards))
        board->setLanguage(language);
    m_defaultBoard->setLanguage(language);
    m_language = language;
}
