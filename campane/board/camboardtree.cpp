// The board's feature tree: built at once, or gathered on a worker thread
// for a large node map and attached on the GUI thread.
#include "camboard.h"
#include "ui_camboard.h"

#include "featuretreeview.h"
#include "featurevalue.h"
#include "treebuilder.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QLoggingCategory>
#include <QThread>

Q_DECLARE_LOGGING_CATEGORY(lcBoard)

namespace {

const unsigned long kTreeWorkerWaitMs = 2000;
// The board's dynamic property that is true while its tree is gathered: a
// host that prints or grabs the shown tree waits for it to turn false.
const char* const kGatheringProperty = "featureTreeGathering";
// The tree's columns: "Feature" and "Value".
const int kTreeColumns = 2;

// A tree's items gathered on a worker thread, with the node map whose nodes
// they hold: the items go first.
struct GatheredTree
{
    std::shared_ptr<GenApi::INodeMap> nodeMap;
    TreeBuilder::Result tree;
    PreparedFilter filter;
};

} // namespace

void CamBoard::buildFeatureTree()
{
    // The map the panel was just built from.
    GenApi::INodeMap* nodeMap = m_nodeMap.get();
    if (!nodeMap)
        return;
    GenApi::NodeList_t nodes;
    if (genApiCall("CamBoard", [&] { nodeMap->GetNodes(nodes); }) != GenApiOutcome::Done)
        return;

    {
        const QSignalBlocker blocker(ui->cboboxLevel);
        ui->cboboxLevel->setCurrentIndex(storedUserLevel());
    }

    cancelTreeGathering();
    if (int(nodes.size()) <= m_treeWorkerNodes) {
        attachFeatureTree(TreeBuilder::build(nodes, kTreeColumns));
        return;
    }
    // The worker holds the map for as long as it reads it, and the items
    // hold its nodes: the map goes after them.
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_treeCancel = cancel;
    auto gathered = std::make_shared<GatheredTree>();
    gathered->nodeMap = m_nodeMap;
    // The first filter's reads are made there too.
    const int level = ui->cboboxLevel->currentIndex();
    const QString text = ui->edit_search->text();
    QThread* worker = QThread::create([gathered, nodes, cancel, level, text] {
        gathered->tree = TreeBuilder::build(nodes, kTreeColumns, cancel.get());
        if (!cancel->load())
            gathered->filter = FeatureTreeView::prepareFilter(gathered->tree.root.get(), level, text);
    });
    worker->setObjectName(QStringLiteral("featureTreeGathering"));
    m_treeWorker = worker;
    // Delivered on the GUI thread; dropped with the board, and when the
    // gathering was cancelled or another took its place.
    connect(worker, &QThread::finished, this, [this, gathered, cancel] {
        if (cancel->load() || m_treeCancel != cancel)
            return;
        m_treeCancel.reset();
        attachFeatureTree(std::move(gathered->tree), std::move(gathered->filter));
        setProperty(kGatheringProperty, false);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    qCDebug(lcBoard) << "gathering the feature tree of" << m_deviceId << "from" << nodes.size()
                     << "nodes on a worker thread";
    setProperty(kGatheringProperty, true);
    worker->start();
}

void CamBoard::attachFeatureTree(TreeBuilder::Result built, PreparedFilter filter)
{
    // A board is built once per device; a second build replaces the tree.
    TreeModel* previous = m_treeModel;
    m_treeModel = new TreeModel(QStringList{tr("Feature"), tr("Value")});
    m_treeModel->adoptTree(std::move(built));
    m_treeModel->setLanguage(m_language);
    ui->widget_featrue->setModel(m_treeModel);
    if (previous) {
        previous->disableDevice();
        delete previous;
    }
    // Filtered once, below.
    ui->widget_featrue->expandTopLevel();
    ui->widget_featrue->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ui->widget_featrue->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ui->widget_featrue->setFilter(ui->cboboxLevel->currentIndex(), ui->edit_search->text(),
                                  std::move(filter));
}

void CamBoard::cancelTreeGathering()
{
    if (m_treeCancel)
        *m_treeCancel = true;
    m_treeCancel.reset();
    if (property(kGatheringProperty).toBool())
        setProperty(kGatheringProperty, false);
}

void CamBoard::endTreeGathering()
{
    cancelTreeGathering();
    // A gathering under way stops at its next node; it is waited for (with a
    // bound) so that no worker outlives the application.
    if (m_treeWorker && !m_treeWorker->wait(kTreeWorkerWaitMs))
        qCWarning(lcBoard) << "the feature tree's worker of" << m_deviceId << "did not stop in time";
}
