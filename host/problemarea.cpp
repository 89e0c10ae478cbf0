#include "problemarea.h"

#include "printable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>

ProblemArea::ProblemArea(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("problemArea"));
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_icon = new QLabel(this);
    m_icon->hide();
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("problemLabel"));
    m_label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_label->setTextFormat(Qt::PlainText);
    layout->addWidget(m_icon);
    layout->addWidget(m_label, 1);
}

void ProblemArea::setShownDevice(const QString& id)
{
    m_shownId = id;
    showProblem();
}

void ProblemArea::addProblem(const LogEntry& entry)
{
    // camview's own problems are for the user whichever device is shown.
    m_lastProblem.insert(entry.source == LogEntry::Source::Host ? QString() : entry.device, entry);
    showProblem();
}

void ProblemArea::clearProblemsOf(const QString& id)
{
    bool cleared = m_lastProblem.remove(id) > 0;
    auto general = m_lastProblem.find(QString());
    if (general != m_lastProblem.end() && general->device == id) {
        m_lastProblem.erase(general);
        cleared = true;
    }
    if (cleared)
        showProblem();
}

void ProblemArea::featureWritten(const QString& feature)
{
    auto problem = m_lastProblem.find(m_shownId);
    if (m_shownId.isEmpty() || problem == m_lastProblem.end() || !problem->isRefusedWriteOf(feature))
        return;
    m_lastProblem.erase(problem);
    showProblem();
}

QString ProblemArea::text() const
{
    return m_label->text();
}

void ProblemArea::showProblem()
{
    // The newer of the shown device's last problem and the last one that
    // names no device.
    const LogEntry none;
    const LogEntry& general = m_lastProblem.contains(QString()) ? m_lastProblem[QString()] : none;
    const LogEntry& own =
        m_shownId.isEmpty() || !m_lastProblem.contains(m_shownId) ? none : m_lastProblem[m_shownId];
    const LogEntry& shown = own.time > general.time || !general.time.isValid() ? own : general;
    if (!shown.time.isValid()) {
        m_icon->hide();
        m_label->clear();
        m_label->setToolTip(QString());
        return;
    }
    const QString time = shown.time.toString(QStringLiteral("HH:mm:ss"));
    const QString said = shown.isNotConfirmed() ? tr("Not confirmed: %1").arg(shown.text) : shown.text;
    const QString text = shown.device.isEmpty() || shown.text.contains(shown.device)
                             ? QStringLiteral("%1  %2").arg(time, said)
                             : QStringLiteral("%1  %2: %3").arg(time, shown.device, said);
    m_label->setText(text);
    m_label->setToolTip(plainToolTip(text));
    m_icon->setPixmap(style()
                          ->standardIcon(shown.isNotConfirmed() ? QStyle::SP_MessageBoxInformation
                                                                : QStyle::SP_MessageBoxWarning)
                          .pixmap(16, 16));
    m_icon->show();
}
