#include "toolpagewidgetitem.h"

#include "ccombobox.h"
#include "displaytexts.h"
#include "featurevalue.h"
#include "rowparts.h"
#include "switchbutton.h"
#include "wheelguard.h"

#include <GenApi/GenApi.h>

#include <QComboBox>
#include <QCursor>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>

using namespace GenApi;
using namespace RowParts;

QWidget* RowParts::createSwitchContainer(QWidget* parent, SwitchButton* button)
{
    auto* container = new QWidget(parent);
    container->setObjectName(QStringLiteral("widget"));
    auto* layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(0);
    layout->addWidget(button);
    container->setStyleSheet(QLatin1String(kSwitchContainerStyle));
    return container;
}

namespace {

// An entry text in a language: Chinese texts through the display map, English
// texts back through the reverse map; texts the maps do not hold stay.
QString translatedEntry(const QString& text, int languageType)
{
    if (languageType == LanguageEnglish)
        return englishEntryText(text, text);
    if (languageType == LanguageChinese)
        return chineseEntryText(text, text);
    return text;
}

} // namespace

ToolPageWidgetItem::ToolPageWidgetItem(QWidget* parent) : QWidget(parent) {}

ToolPageWidgetItem::~ToolPageWidgetItem()
{
    // A row that is a window of its own loses the focus when QWidget's
    // destructor hides it: the editor's "editing finished" must not reach
    // the half-destroyed row then.
    for (QWidget* editor : findChildren<QWidget*>())
        disconnect(editor, nullptr, this, nullptr);
}

void ToolPageWidgetItem::createLabel()
{
    delete m_label;
    m_label = new QLabel(this);
    m_label->setAttribute(Qt::WA_TranslucentBackground);
}

void ToolPageWidgetItem::setupNode(const QStringList& titleName, const QStringList& descriptionName,
                                   INode* node, bool hiddenAuto)
{
    createLabel();
    m_titleName = titleName;
    m_descriptionName = descriptionName;
    m_node = node;
    m_hiddenAuto = hiddenAuto;

    if (m_node) {
        bool usable = false;
        genApiCall(kTag, [&] { usable = m_node->IsFeature() && m_node->GetVisibility() != Invisible; });
        if (!usable)
            m_node = nullptr;
    }

    bool ok = false;
    if (m_node)
        createEditor(m_node, ok);
    if (m_hiddenAuto && !ok)
        hide();

    buildNodeLayout();
    m_paramInit = true;
}

void ToolPageWidgetItem::setupWidget(const QStringList& titleName, const QStringList& descriptionName,
                                     QWidget* widget)
{
    createLabel();
    m_titleName = titleName;
    m_descriptionName = descriptionName;
    delete layout();

    auto* rowLayout = new QHBoxLayout;
    rowLayout->addWidget(m_label, 0);
    if (widget) {
        QWidget* placed = widget;
        if (auto* button = qobject_cast<SwitchButton*>(widget)) {
            rowLayout->addStretch(1);
            button->setFixedSize(kSwitchWidth, kSwitchHeight);
            placed = createSwitchContainer(this, button);
        } else {
            widget->setFixedHeight(kEditorHeight);
            widget->setMinimumWidth(kEditorMinimumWidth);
            WheelGuard::installRecursively(widget);
        }
        rowLayout->addWidget(placed, 0);
        m_widget = placed;
    } else {
        rowLayout->addStretch(0);
    }
    rowLayout->setContentsMargins(30, 3, 10, 3);
    setLayout(rowLayout);
    setFixedHeight(kRowHeight);
}

void ToolPageWidgetItem::buildNodeLayout()
{
    delete layout();
    auto* rowLayout = new QHBoxLayout;
    rowLayout->addWidget(m_label, 0);
    if (m_widget)
        rowLayout->addWidget(m_widget, 0);
    rowLayout->setContentsMargins(30, 3, 10, 3);
    setLayout(rowLayout);
    setFixedHeight(kRowHeight);
}
void ToolPageWidgetItem::refresh(bool realTime)
{
    if (realTime) {
        refreshRealTime();
        return;
    }
    if (!m_node)
        return;
    bool ok = false;
    createEditor(m_node, ok);
    if (m_hiddenAuto)
        setHidden(!ok);
}
// The device may take a write it has not confirmed yet, or refuse it. Its
// accesses fail at once until it answers; the row reads its value until then
// (at most as long as the device's write deadline and a ping after it).
void ToolPageWidgetItem::watchUnconfirmedWrite()
{
    if (!m_settleTimer) {
        m_settleTimer = new QTimer(this);
        m_settleTimer->setInterval(kSettlePollMs);
        connect(m_settleTimer, &QTimer::timeout, this, &ToolPageWidgetItem::onSettleTimerTimeout);
    }
    m_settleSince.start();
    m_settleTimer->start();
}

void ToolPageWidgetItem::onSettleTimerTimeout()
{
    bool ok = false;
    if (m_node)
        createEditor(m_node, ok);
    if (!ok && !m_settleSince.hasExpired(kSettleWatchMs))
        return;
    m_settleTimer->stop();
    if (!ok)
        return;
    // The device's value is the one a refusal now returns to.
    if (auto* spinBox = qobject_cast<QSpinBox*>(m_widget))
        spinBox->setProperty(kPreValue, spinBox->value());
    else if (auto* floating = qobject_cast<QDoubleSpinBox*>(m_widget))
        floating->setProperty(kPreValue, float(floating->value()));
    emit valueChanged(QVariant());
}

void ToolPageWidgetItem::setLanguageType(int languageType)
{
    if (m_label)
        m_label->setText(textOf(m_titleName, languageType != 0 ? LanguageChinese : LanguageEnglish));

    auto* button = qobject_cast<QPushButton*>(m_widget);
    if (button && !button->text().isEmpty()) {
        button->setText(tr("Execute"));
    } else if (auto* checkList = qobject_cast<CComboBox*>(m_widget)) {
        const QSignalBlocker blocker(checkList);
        const QList<QPair<QString, bool>> items = checkList->items();
        checkList->clear();
        for (const auto& item : items) {
            const QString text = translatedEntry(item.first, languageType);
            checkList->addItem(text, item.second, text);
        }
    } else if (auto* comboBox = qobject_cast<QComboBox*>(m_widget)) {
        const QSignalBlocker blocker(comboBox);
        QStringList texts;
        for (int i = 0; i < comboBox->count(); ++i)
            texts.append(translatedEntry(comboBox->itemText(i), languageType));
        const int current = comboBox->currentIndex();
        comboBox->clear();
        comboBox->addItems(texts);
        comboBox->setCurrentIndex(current);
    }
    m_languageType = languageType;
}

void ToolPageWidgetItem::setEnable(bool enable)
{
    if (!m_widget)
        return;
    m_enable = enable;
    // A node's editor stays disabled while the node cannot be written.
    m_widget->setEnabled(enable && (!m_node || nodeWritable()));
}

bool ToolPageWidgetItem::nodeWritable() const
{
    bool writable = false;
    genApiCall(kTag, [&] { writable = isWritableMode(FeatureValue(m_node, m_nodeName).accessMode()); });
    return writable;
}

QString ToolPageWidgetItem::descriptionName(int index) const
{
    return m_descriptionName.value(index);
}

QString ToolPageWidgetItem::titleName(int index) const
{
    return m_titleName.value(index);
}
void ToolPageWidgetItem::mousePressEvent(QMouseEvent* event)
{
    m_showColor = m_pressColor;
    update();
    QWidget::mousePressEvent(event);
    emit itemClicked();
}

void ToolPageWidgetItem::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
}

void ToolPageWidgetItem::enterEvent(QtCompat::EnterEvent* event)
{
    m_showColor = m_hoverColor;
    update();
    QWidget::enterEvent(event);
}

void ToolPageWidgetItem::leaveEvent(QEvent* event)
{
    m_showColor = m_standColor;
    // Repainted only once the cursor is really outside the row.
    if (!rect().contains(mapFromGlobal(QCursor::pos())))
        update();
    QWidget::leaveEvent(event);
}

void ToolPageWidgetItem::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), m_showColor);
    QWidget::paintEvent(event);
}

void ToolPageWidgetItem::showEvent(QShowEvent* event)
{
    refresh(false);
    QWidget::showEvent(event);
}

void ToolPageWidgetItem::resizeEvent(QResizeEvent* event)
{
    if (m_label)
        m_label->setFixedWidth(qMax(0, width() / 2 - 20));
    QWidget::resizeEvent(event);
}
