#include "ccombobox.h"
#include "ctabwidget.h"
#include "tests.h"

#include <QListView>
#include <QPainter>
#include <QVBoxLayout>
#include <QtTest>

// Draws every widget of the kit in its states. The pictures are written to
// $CAMPANE_SCREENSHOT_DIR when it is set, to be looked at; the test itself
// only checks that each state paints.
class TestGallery : public QObject
{
    Q_OBJECT

private slots:
    void comboBoxStates();
    void tabWidgetStates();

private:
    void keep(const QString& name, const QList<QPair<QString, QPixmap>>& shots);
};

namespace {

// The look the panel gives its combo boxes, to see the arrow icon in place.
const char* const kPanelStyle =
    "QComboBox{border-radius: 2px;border: 1px solid rgba(55, 56, 58, 0.6);color: rgba(55, 56, 58, 1);"
    "background: white;}"
    "QComboBox::drop-down{subcontrol-origin: padding;subcontrol-position: top right;border: none;width: "
    "26px;}"
    "QComboBox::down-arrow{image: url(:/Resources/icon/combobox/downAndLine.png);width: 16px;height: 26px;}"
    "QComboBox::down-arrow:disabled{image: url(:/Resources/icon/combobox/downAndLine-disable.png);}"
    "QComboBox QAbstractItemView{border: 1px solid rgba(55,56,58,60%);border-radius: 4px;background: white;"
    "color: black;selection-color: black;selection-background-color: rgba(75,210,149,30%);outline: 0px;}"
    "QComboBox:disabled{color: grey;background: lightgray;}";

// A pixmap of `size` logical pixels at the density of the screen shots.
QPixmap canvas(QSize size, qreal ratio)
{
    QPixmap out(size * ratio);
    out.setDevicePixelRatio(ratio);
    out.fill(QColor(245, 245, 245));
    return out;
}

QPixmap labelled(const QString& text, const QPixmap& shot)
{
    const int labelHeight = 18;
    const QSize shotSize = shot.size() / shot.devicePixelRatio();
    QPixmap out = canvas(QSize(qMax(shotSize.width(), 120) + 16, shotSize.height() + labelHeight + 16),
                         shot.devicePixelRatio());
    QPainter painter(&out);
    painter.drawText(QRect(8, 4, out.width() / out.devicePixelRatio() - 16, labelHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
    painter.drawPixmap(8, labelHeight + 8, shot);
    return out;
}

} // namespace

void TestGallery::keep(const QString& name, const QList<QPair<QString, QPixmap>>& shots)
{
    for (const auto& shot : shots)
        QVERIFY2(!shot.second.isNull() && shot.second.width() > 0, qPrintable(shot.first));
    const QString dir = qEnvironmentVariable("CAMPANE_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QList<QPixmap> tiles;
    int width = 0, height = 0;
    for (const auto& shot : shots) {
        tiles.append(labelled(shot.first, shot.second));
        const QSize size = tiles.last().size() / tiles.last().devicePixelRatio();
        width = qMax(width, size.width());
        height += size.height();
    }
    QPixmap sheet = canvas(QSize(width, height), tiles.first().devicePixelRatio());
    QPainter painter(&sheet);
    int y = 0;
    for (const QPixmap& tile : tiles) {
        painter.drawPixmap(0, y, tile);
        y += tile.height() / tile.devicePixelRatio();
    }
    QVERIFY(sheet.save(dir + "/" + name + ".png"));
}

void TestGallery::comboBoxStates()
{
    QWidget window;
    window.setStyleSheet(kPanelStyle);
    window.resize(400, 300);
    auto* layout = new QVBoxLayout(&window);
    auto* box = new CComboBox;
    box->setFixedSize(220, 34);
    layout->addWidget(box);
    layout->addStretch();
    const QStringList kinds{"2D Left", "2D Right", "Left Streak", "Right Streak", "Quality Image"};
    for (const QString& kind : kinds)
        box->addItem(kind, false, kind);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QList<QPair<QString, QPixmap>> shots;
    shots.append({"nothing ticked", box->grab()});
    box->setItemChecked(1, true);
    box->setItemChecked(3, true);
    shots.append({"two ticked", box->grab()});
    box->showPopup();
    QListView* view = qobject_cast<QListView*>(box->view());
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const QPoint at = view->visualRect(box->model()->index(2, 0)).center();
    QTest::mouseMove(view->viewport(), at);
    shots.append({"open list, pointer on 2D Right", view->window()->grab()});
    box->setItemChecked(2, true);
    box->setItemChecked(4, true);
    box->setItemChecked(5, true);
    shots.append({"all ticked, elided", box->grab()});
    box->setEnabled(false);
    shots.append({"disabled", box->grab()});
    box->setEnabled(true);
    box->clear();
    shots.append({"cleared", box->grab()});
    keep("ccombobox", shots);
}

void TestGallery::tabWidgetStates()
{
    CTabWidget tabs;
    for (const char* title : {"Shoot", "Image", "Advance"})
        tabs.addTab(new QWidget, title);
    tabs.resize(360, 120);
    tabs.setCurrentIndex(0);
    tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tabs));

    QList<QPair<QString, QPixmap>> shots;
    shots.append({"first current", tabs.grab()});
    QTest::mouseMove(tabs.tabBar(), tabs.tabBar()->tabRect(2).center());
    QApplication::processEvents();
    shots.append({"first current, pointer on third", tabs.grab()});
    tabs.setCurrentIndex(2);
    shots.append({"third current and under the pointer", tabs.grab()});
    tabs.resize(300, 120);
    QApplication::processEvents();
    shots.append({"narrower", tabs.grab()});
    keep("ctabwidget", shots);
}

int runGalleryTests(int argc, char** argv)
{
    TestGallery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gallery.moc"
