// Node maps whose holders outlive their device: a map held across the
// device's removal and across its reopening, and a board of the real pane
// read before the GUI has handled the removal. The reads fail with a GenApi
// exception; nothing touches freed memory (run it in the sanitizer builds).
#include "../campane/pane/servicesupport.h"

#include <Corvid/Corvid.h>
#include <Corvid/CorvidHost.h>
#include <GenApi/GenApi.h>

#include <campane.h>

#include <QAbstractItemModel>
#include <QPointer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

using namespace Corvid;

namespace {

const std::string kCameraFile = CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml";

std::shared_ptr<GenApi::INodeMap> acquireCamera()
{
    return AcquireAttrNodeMap(FOCUS_CAMERA, kCamera, NODEMAP_REMOTE_DEVICE);
}

//! Reads every value of the tree's model, as a repaint does.
int readEveryValue(const QAbstractItemModel& model, const QModelIndex& parent = QModelIndex())
{
    int read = 0;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        read += model.data(model.index(row, 1, parent)).isValid() ? 1 : 0;
        read += readEveryValue(model, model.index(row, 0, parent));
    }
    return read;
}

} // namespace

class TestNodeMapOwner : public QObject
{
    Q_OBJECT

    std::unique_ptr<ServiceForTests> m_service;

private slots:
    void init()
    {
        m_service = std::make_unique<ServiceForTests>();
        QVERIFY(m_service->isRunning());
    }

    void cleanup() { m_service.reset(); }

    void heldMapOutlivesItsConnection_data()
    {
        QTest::addColumn<bool>("reopen");
        QTest::newRow("device removed") << false;
        QTest::newRow("device lost and opened again") << true;
    }

    void heldMapOutlivesItsConnection()
    {
        QFETCH(bool, reopen);
        std::shared_ptr<GenApi::INodeMap> held = acquireCamera();
        QVERIFY(held);
        QCOMPARE(held.get(), GetAttrNodeMap(FOCUS_CAMERA, kCamera, NODEMAP_REMOTE_DEVICE));
        GenApi::CIntegerPtr width = held->GetNode("Width");
        QVERIFY(width.IsValid());
        const int64_t value = width->GetValue();

        if (reopen) {
            QCOMPARE(SimulateDeviceLoss(kCamera), 0);
            QCOMPARE(AddSimulatedCamera(kCameraFile), std::string(kCamera));
            // The device's new connection reads as usual.
            std::shared_ptr<GenApi::INodeMap> fresh = acquireCamera();
            QVERIFY(fresh && fresh != held);
            GenApi::CIntegerPtr freshWidth = fresh->GetNode("Width");
            QCOMPARE(freshWidth->GetValue(), value);
        } else {
            QCOMPARE(RemoveDevice(kCamera), 0);
            QVERIFY(!acquireCamera());
        }
        WaitForIdle();

        // The held map's nodes are still there; its values are not.
        QCOMPARE(held->GetNode("Width"), width->GetNode());
        QCOMPARE(width->GetAccessMode(), GenApi::NA);
        QVERIFY_EXCEPTION_THROWN(width->GetValue(), GenICam::AccessException);
        QVERIFY_EXCEPTION_THROWN(width->SetValue(value), GenICam::AccessException);
        GenApi::CCommandPtr trigger = held->GetNode("TriggerSoftware");
        QVERIFY(trigger.IsValid());
        QVERIFY_EXCEPTION_THROWN(trigger->Execute(), GenICam::AccessException);
        // Every value of every kind: a GenApi exception at most.
        GenApi::NodeList_t nodes;
        held->GetNodes(nodes);
        int failed = 0;
        for (GenApi::INode* node : nodes) {
            GenApi::CValuePtr feature = node;
            try {
                if (feature.IsValid())
                    feature->ToString();
            } catch (const GenICam::GenericException&) {
                ++failed;
            }
        }
        QVERIFY(failed > 0);
        held.reset(); // the last holder closes what is left
    }

    // The pane's board keeps the map its rows and tree were built from: read
    // after the device went and before the GUI handled the device list, it
    // fails cleanly, and the board goes once the list is handled.
    void boardReadBeforeTheRemovalIsHandled()
    {
        QWidget window;
        window.resize(700, 500);
        (new QVBoxLayout(&window))->addWidget(new CamPane(&window));
        window.show();
        settle();
        SetFocus(FOCUS_CAMERA, kCamera);
        settle();

        QPointer<QWidget> board;
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            if (qstrcmp(widget->metaObject()->className(), "CamBoard") == 0 &&
                widget->accessibleName() == QString::fromUtf8(kCamera))
                board = widget;
        }
        QVERIFY(board);
        QTreeView* tree = board->findChild<QTreeView*>();
        QVERIFY(tree && tree->model());
        QVERIFY(readEveryValue(*tree->model()) > 0);

        QCOMPARE(RemoveDevice(kCamera), 0);
        // The service thread now waits for the GUI to handle the list.
        QVERIFY(QMetaObject::invokeMethod(board, "onRealUpdateTimerTimeout", Qt::DirectConnection));
        readEveryValue(*tree->model());
        tree->repaint();

        QTRY_VERIFY(!board);
        settle();
    }
};

QTEST_MAIN(TestNodeMapOwner)
#include "test_nodemapowner.moc"
