#include "ctabwidget.h"

#include "ctabbar.h"

#include <QResizeEvent>

CTabWidget::CTabWidget(QWidget* parent) : QTabWidget(parent)
{
    setTabBar(new CTabBar(this));
}

void CTabWidget::resizeEvent(QResizeEvent* event)
{
    QTabWidget::resizeEvent(event);
    tabBar()->setFixedWidth(width());
}
