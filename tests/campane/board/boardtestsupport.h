// What the board's tests share: the board's parts by name, its tree and panel
// as text, and the camera service with its simulated devices.
#pragma once

#include "camboard.h"
#include "ccombobox.h"
#include "ctoolbox.h"
#include "ctoolpage.h"
#include "descriptiontext.h"
#include "featuretreeview.h"
#include "switchbutton.h"
#include "toolpagewidget.h"
#include "toolpagewidgetitem.h"
#include "treeitem.h"
#include "treemodel.h"

#include <Corvid/CorvidHost.h>
#include <GenApi/DeviceConnection.h>
#include <GenApi/GenApi.h>

#include <QtTest>
#include <QtWidgets>

#include <memory>

template <typename T> T* part(QWidget* board, const char* name)
{
    T* widget = board->findChild<T*>(QLatin1String(name));
    if (!widget)
        qWarning("board has no %s", name);
    return widget;
}

inline FeatureTreeView* treeView(QWidget* board)
{
    return part<FeatureTreeView>(board, "widget_featrue");
}

inline TreeModel* treeModel(QWidget* board)
{
    return qobject_cast<TreeModel*>(treeView(board)->model());
}

// The tab texts of a tab widget, or the item texts of a combo box.
inline QStringList texts(QWidget* board, const char* name)
{
    QWidget* widget = part<QWidget>(board, name);
    auto* tabs = qobject_cast<QTabWidget*>(widget);
    auto* combo = qobject_cast<QComboBox*>(widget);
    QStringList texts;
    for (int index = 0; index < (tabs ? tabs->count() : combo->count()); ++index)
        texts << (tabs ? tabs->tabText(index) : combo->itemText(index));
    return texts;
}

inline QModelIndex featureIndex(QWidget* board, const QString& name,
                                const QModelIndex& parent = QModelIndex())
{
    TreeModel* model = treeModel(board);
    for (int row = 0; model && row < model->rowCount(parent); ++row) {
        const QModelIndex child = model->index(row, 0, parent);
        const QModelIndex found =
            model->itemFromIndex(child)->name() == name ? child : featureIndex(board, name, child);
        if (found.isValid())
            return found;
    }
    return QModelIndex();
}

// The row and every row above it are shown.
inline bool featureShown(QWidget* board, const QString& name)
{
    QModelIndex index = featureIndex(board, name);
    bool shown = index.isValid();
    for (; shown && index.isValid(); index = index.parent())
        shown = !treeView(board)->isRowHidden(index.row(), index.parent());
    return shown;
}

inline std::string storedLevel()
{
    return Corvid::GetParamterInfo(Corvid::PARAMETER_USER_LEVEL);
}

// The panel's pages, tab by tab.
inline QList<QList<CToolPage*>> pagesOf(QWidget* board)
{
    QList<QList<CToolPage*>> tabs;
    for (const char* name : {"firstToolBox", "secondToolBox", "thirdToolBox"})
        tabs << part<CToolBox>(board, name)->pages();
    return tabs;
}

inline QList<ToolPageWidgetItem*> allRows(QWidget* board)
{
    QList<ToolPageWidgetItem*> rows;
    for (const QList<CToolPage*>& pages : pagesOf(board)) {
        for (CToolPage* page : pages)
            rows << page->findChildren<ToolPageWidgetItem*>();
    }
    return rows;
}

inline ToolPageWidgetItem* row(QWidget* board, const QString& title)
{
    for (ToolPageWidgetItem* candidate : allRows(board)) {
        if (candidate->titleName(0) == title)
            return candidate;
    }
    qWarning() << "no row" << title;
    return nullptr;
}

// The layout as text: per tab "Group: Row, Row, ..." with hidden rows in
// brackets.
inline QStringList layoutOf(QWidget* board)
{
    QStringList tabs;
    for (const QList<CToolPage*>& pages : pagesOf(board)) {
        QStringList groups;
        for (CToolPage* page : pages) {
            QStringList titles;
            for (ToolPageWidgetItem* item : page->findChildren<ToolPageWidgetItem*>())
                titles << (item->isHidden() ? "[" + item->titleName(0) + "]" : item->titleName(0));
            groups << page->title() + ": " + titles.join(", ");
        }
        tabs << groups.join(" | ");
    }
    return tabs;
}

inline QStringList hiddenRows(QWidget* board)
{
    QStringList titles;
    for (ToolPageWidgetItem* item : allRows(board)) {
        if (item->isHidden())
            titles << item->titleName(0);
    }
    return titles;
}

// The check-list as "text" or "text*" for a checked entry, placeholder left out.
inline QStringList checkList(QWidget* board)
{
    QStringList texts;
    const auto items = part<CComboBox>(board, "grabOutputList")->items();
    for (int index = 1; index < items.size(); ++index)
        texts << items[index].first + (items[index].second ? "*" : "");
    return texts;
}

inline std::string nodeValue(const QString& id, const char* node)
{
    std::string value;
    Corvid::GetCameraNodeValue(id.toStdString(), node, value);
    return value;
}

inline void setNode(const QString& id, const char* node, const char* value)
{
    QCOMPARE(Corvid::SetCameraNodeValue(id.toStdString(), node, value), 0);
}

//! The camera service with the simulated devices, started once for a test
//! binary, and boards over them; every test starts at the Beginner level.
class BoardFixture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        writeOtherCamera();
        startService(m_dir.filePath("settings.ini"));
    }
    void cleanupTestCase() { Corvid::StopService(); }
    void init() { QCOMPARE(Corvid::SetParamterInfo(Corvid::PARAMETER_USER_LEVEL, "0"), 0); }

protected:
    QTemporaryDir m_dir;
    // The structured-light camera, the dual-projector camera, the frame-grabber
    // card, and a copy of the first camera with another model name and without
    // the Radius and TriggerSoftware features.
    QString m_camera, m_dual, m_card, m_other;

    void writeOtherCamera()
    {
        QFile in(QDir(CAMPANE_DEVICES_DIR).filePath("kvx-slp-camera.xml"));
        QVERIFY(in.open(QIODevice::ReadOnly));
        QString xml = QString::fromUtf8(in.readAll());
        xml.replace("sim:Default=\"KVX-SLP3000\"", "sim:Default=\"LAB-KVX-SLP3000\"");
        for (const char* name : {"Radius", "TriggerSoftware"})
            xml.replace(QString(">%1<").arg(name), QString(">Other%1<").arg(name))
                .replace(QString("\"%1\"").arg(name), QString("\"Other%1\"").arg(name));
        QFile out(m_dir.filePath("other-camera.xml"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(xml.toUtf8());
    }

    void startService(const QString& settingsFile)
    {
        Corvid::ServiceOptions options;
        options.defaultDevices = false;
        options.settingsFile = settingsFile.toStdString();
        QCOMPARE(Corvid::StartService(options), 0);
        const QDir dir(CAMPANE_DEVICES_DIR);
        auto add = [&](const QString& file) {
            return QString::fromStdString(Corvid::AddSimulatedCamera(file.toStdString()));
        };
        m_camera = add(dir.filePath("kvx-slp-camera.xml"));
        m_dual = add(dir.filePath("sl-camera-dual.xml"));
        m_card = QString::fromStdString(
            Corvid::AddSimulatedCard(dir.filePath("frame-grabber-card.xml").toStdString()));
        m_other = add(m_dir.filePath("other-camera.xml"));
        QVERIFY(!m_camera.isEmpty() && !m_dual.isEmpty() && !m_card.isEmpty() && !m_other.isEmpty());
    }

    std::unique_ptr<CamBoard> boardFor(const QString& id)
    {
        auto board = std::make_unique<CamBoard>();
        board->m_isCard = id == m_card;
        board->setPanelTabVisible(true);
        board->setAttributeTabVisible(true);
        board->setDeviceId(id);
        board->resize(751, 598);
        return board;
    }
};
