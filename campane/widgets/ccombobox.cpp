#include "ccombobox.h"

#include "customitemdelegate.h"
#include "customitemmodel.h"
#include "resources.h"
#include "wheelguard.h"

#include <QFrame>
#include <QListView>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardItem>
#include <QToolTip>

namespace {

constexpr int kUserDataRole = Qt::UserRole + 1;
// Room kept free at the right of the text for the drop-down arrow.
constexpr int kArrowSpace = 25;
const QChar kSeparator(0x3001); // "、"

} // namespace

CComboBox::CComboBox(QWidget* parent) : QComboBox(parent)
{
    initCampaneResources();

    m_listView = new QListView(this);
    m_model = new CustomItemModel(this);
    setView(m_listView);
    setModel(m_model);

    auto* delegate = new CustomItemDelegate(this);
    connect(m_listView, &QAbstractItemView::pressed, this, &CComboBox::onListViewClicked);
    connect(delegate, &CustomItemDelegate::pressed, this, &CComboBox::onListViewClicked);

    // setView() put the list into the popup container; presses outside the
    // list reach the container while the list is open.
    m_popupFrame = qobject_cast<QFrame*>(m_listView->parentWidget());
    if (m_popupFrame)
        m_popupFrame->installEventFilter(this);

    connect(this, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &CComboBox::onCurrentIndexChanged);
    setItemDelegate(delegate);
    WheelGuard::install(this);

    addItem(QString(), false, QVariant());
}

void CComboBox::addItem(const QString& text, bool checked, const QVariant& userData)
{
    auto* item = new QStandardItem(text);
    item->setCheckable(true);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    item->setData(userData, kUserDataRole);
    m_model->appendRow(item);
    updateText(-1);
}

QList<QPair<QString, bool>> CComboBox::items() const
{
    QList<QPair<QString, bool>> result;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QStandardItem* item = m_model->item(row);
        result.append({item->text(), item->checkState() == Qt::Checked});
    }
    return result;
}

QStringList CComboBox::checkedData() const
{
    QStringList result;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QStandardItem* item = m_model->item(row);
        if (item->checkState() == Qt::Checked)
            result.append(item->data(kUserDataRole).toString());
    }
    return result;
}

QList<int> CComboBox::checkedIndexes() const
{
    QList<int> result;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->item(row)->checkState() == Qt::Checked)
            result.append(row);
    }
    return result;
}

void CComboBox::setItemChecked(int row, bool checked)
{
    QStandardItem* item = m_model->item(row);
    if (!item)
        return;
    const Qt::CheckState state = checked ? Qt::Checked : Qt::Unchecked;
    if (item->checkState() == state)
        return;
    {
        const QSignalBlocker blocker(this);
        item->setCheckState(state);
    }
    updateText(-1);
}

void CComboBox::clear()
{
    m_model->clear();
    updateText(-1);
}

void CComboBox::setShowToolTip(bool show)
{
    m_showToolTip = show;
}

QString CComboBox::displayText() const
{
    if (currentIndex() == -1)
        return QString();
    const QFontMetrics metrics(font());
    if (metrics.horizontalAdvance(m_text) + kArrowSpace <= width())
        return m_text;
    return metrics.elidedText(m_text, Qt::ElideRight, width() - kArrowSpace);
}

void CComboBox::showPopup()
{
    emit showPopupEvent();
    QComboBox::showPopup();
    m_canHide = false;
    m_popupOpen = true;
}

void CComboBox::hidePopup()
{
    if (!m_canHide)
        return;
    m_popupOpen = false;
    QComboBox::hidePopup();
    emit hidePopupEvent();
}

void CComboBox::updateText(int index)
{
    Q_UNUSED(index);
    QStringList texts;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QStandardItem* item = m_model->item(row);
        if (item->checkState() == Qt::Checked)
            texts.append(item->text());
    }
    m_text = texts.join(kSeparator);
    update();
}

void CComboBox::onListViewClicked(const QModelIndex& index)
{
    // Row 0 is the placeholder and is never ticked.
    const int row = index.row();
    if (row < 1 || row >= m_model->rowCount())
        return;
    QStandardItem* item = m_model->item(row);
    const bool checked = item->checkState() != Qt::Checked;
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    updateText(-1);
    emit itemCheckedStatusChanged(row - 1, checked);
}

bool CComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_popupFrame) {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QRect frame(m_popupFrame->mapToGlobal(QPoint(0, 0)), m_popupFrame->size());
            if (!frame.contains(mouse->globalPos()))
                m_canHide = true;
        } else if (event->type() == QEvent::Hide && m_popupOpen) {
            // Closed without hidePopup(): by Escape, or because the window
            // system took the popup away. Owners still hear of it.
            m_popupOpen = false;
            m_canHide = true;
            emit hidePopupEvent();
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void CComboBox::paintEvent(QPaintEvent* event)
{
    QComboBox::paintEvent(event);
    const QString shown = displayText();
    if (shown.isEmpty())
        return;
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(rect().adjusted(5, 2, -2, -2), Qt::AlignLeft | Qt::AlignVCenter, shown);
}

void CComboBox::enterEvent(QtCompat::EnterEvent* event)
{
    if (m_showToolTip)
        QToolTip::showText(mapToGlobal(rect().center()), m_text, this);
    QComboBox::enterEvent(event);
}

void CComboBox::leaveEvent(QEvent* event)
{
    QToolTip::hideText();
    QComboBox::leaveEvent(event);
}

void CComboBox::onCurrentIndexChanged(int index)
{
    // The placeholder stays the current item, whatever the list selected.
    if (index != 0 && count() > 0)
        setCurrentIndex(0);
}
