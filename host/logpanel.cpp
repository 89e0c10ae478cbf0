#include "logpanel.h"

#include "printable.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const int kKeptRows = 500;

enum Column
{
    ColumnTime,
    ColumnLevel,
    ColumnDevice,
    ColumnText
};

// Source texts of the levels, translated when shown.
const char* levelText(QtMsgType type)
{
    switch (type) {
    case QtWarningMsg:
        return QT_TRANSLATE_NOOP("LogPanel", "warning");
    case QtCriticalMsg:
    case QtFatalMsg:
        return QT_TRANSLATE_NOOP("LogPanel", "error");
    default:
        return QT_TRANSLATE_NOOP("LogPanel", "info");
    }
}

} // namespace

LogPanel::LogPanel(QWidget* parent) : QWidget(parent), m_list(new QTreeWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    m_list->setObjectName(QStringLiteral("logList"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setColumnCount(4);
    m_list->header()->setStretchLastSection(true);
    for (int column : {ColumnTime, ColumnLevel, ColumnDevice})
        m_list->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    retranslate();
}

void LogPanel::addEntry(const LogEntry& entry)
{
    auto* item = new QTreeWidgetItem(m_list);
    item->setText(ColumnTime, entry.time.toString(QStringLiteral("HH:mm:ss.zzz")));
    // The pane reports some failures below the warning level: shown as
    // warnings.
    const bool belowWarning = entry.type == QtDebugMsg || entry.type == QtInfoMsg;
    const QtMsgType level = entry.isProblem() && belowWarning ? QtWarningMsg : entry.type;
    item->setData(ColumnLevel, Qt::UserRole, int(level));
    // A write the device did not answer in time has not failed: it may
    // still take it, and its value is read again when it answers.
    const bool notConfirmed = entry.isNotConfirmed();
    item->setText(ColumnLevel, notConfirmed ? tr("not confirmed") : tr(levelText(level)));
    if (entry.isProblem())
        item->setIcon(ColumnLevel, style()->standardIcon(notConfirmed ? QStyle::SP_MessageBoxInformation
                                                                      : QStyle::SP_MessageBoxWarning));
    item->setText(ColumnDevice, entry.device);
    item->setText(ColumnText, entry.text);
    item->setToolTip(ColumnText, plainToolTip(entry.category + QStringLiteral(": ") + entry.text));
    while (m_list->topLevelItemCount() > kKeptRows)
        delete m_list->takeTopLevelItem(0);
    m_list->scrollToItem(item);
}

QStringList LogPanel::lines() const
{
    QStringList lines;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_list->topLevelItem(i);
        lines << QStringLiteral("%1 %2 %3: %4")
                     .arg(item->text(ColumnTime), item->text(ColumnLevel), item->text(ColumnDevice),
                          item->text(ColumnText));
    }
    return lines;
}

void LogPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void LogPanel::retranslate()
{
    m_list->setHeaderLabels({tr("Time"), tr("Level"), tr("Device"), tr("Message")});
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        item->setText(ColumnLevel, tr(levelText(QtMsgType(item->data(ColumnLevel, Qt::UserRole).toInt()))));
    }
}
