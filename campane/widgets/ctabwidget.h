#pragma once

#include <QTabWidget>

// A tab widget with a CTabBar that spans its whole width.
class CTabWidget : public QTabWidget
{
    Q_OBJECT

public:
    explicit CTabWidget(QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;
};
