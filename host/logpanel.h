#pragma once

#include "logsink.h"

#include <QWidget>

class QTreeWidget;

// The log panel of camview's window: the entries of the log sink, newest at
// the bottom, with their time, level, device and text. Problems are marked.
class LogPanel : public QWidget
{
    Q_OBJECT

public:
    explicit LogPanel(QWidget* parent = nullptr);

    //! Appends an entry (the panel keeps the last few hundred).
    void addEntry(const LogEntry& entry);
    //! The entries shown, one "time level device: text" line each.
    QStringList lines() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();

    QTreeWidget* m_list;
};
