#include "campanedesignerplugin.h"

#include <campane.h>

#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace {

// A camera drawn in the widget box's icon size: body, finder and lens.
QPixmap cameraPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    const QColor body(0x3c, 0x4a, 0x5c);
    painter.setPen(Qt::NoPen);
    painter.setBrush(body);
    painter.drawRoundedRect(QRectF(11, 6, 10, 5), 1.5, 1.5);
    painter.drawRoundedRect(QRectF(3, 9, 26, 18), 3, 3);
    painter.setBrush(QColor(0xe8, 0xee, 0xf4));
    painter.drawEllipse(QPointF(16, 18), 6.5, 6.5);
    painter.setBrush(QColor(0x2f, 0x80, 0xd0));
    painter.drawEllipse(QPointF(16, 18), 4.5, 4.5);
    return pixmap;
}

} // namespace

CamPaneDesignerPlugin::CamPaneDesignerPlugin(QObject* parent) : QObject(parent) {}

QString CamPaneDesignerPlugin::name() const
{
    return QStringLiteral("CamPane");
}

QString CamPaneDesignerPlugin::group() const
{
    return QStringLiteral("Camera");
}

QString CamPaneDesignerPlugin::toolTip() const
{
    return QStringLiteral("Camera parameters of the focused device");
}

QString CamPaneDesignerPlugin::whatsThis() const
{
    return QStringLiteral("The camera-parameter window: a \"Param Setting\" panel and an \"All Attribute\" "
                          "tree of the GenICam features of the device that has the host's focus.");
}

QString CamPaneDesignerPlugin::includeFile() const
{
    return QStringLiteral("campane.h");
}

QIcon CamPaneDesignerPlugin::icon() const
{
    QIcon icon;
    icon.addPixmap(cameraPixmap(16));
    icon.addPixmap(cameraPixmap(32));
    return icon;
}

bool CamPaneDesignerPlugin::isContainer() const
{
    return false;
}

QWidget* CamPaneDesignerPlugin::createWidget(QWidget* parent)
{
    return new CamPane(parent);
}

bool CamPaneDesignerPlugin::isInitialized() const
{
    return m_initialized;
}

void CamPaneDesignerPlugin::initialize(QDesignerFormEditorInterface* core)
{
    Q_UNUSED(core)
    m_initialized = true;
}

// The default size is the pane's own form size.
QString CamPaneDesignerPlugin::domXml() const
{
    return QStringLiteral("<ui language=\"c++\">\n"
                          " <widget class=\"CamPane\" name=\"camPane\">\n"
                          "  <property name=\"geometry\">\n"
                          "   <rect><x>0</x><y>0</y><width>458</width><height>377</height></rect>\n"
                          "  </property>\n"
                          " </widget>\n"
                          "</ui>\n");
}
