#include "ctabbar.h"

#include <QPainter>
#include <QStyleOptionTab>

CTabBar::CTabBar(QWidget* parent)
    : QTabBar(parent), m_lineColor(220, 220, 220, 255), m_hoverColor(93, 189, 147, 255),
      m_selectColor(93, 189, 147, 255), m_lineWidth(4), m_hoverWidth(4), m_selectWidth(5), m_tabHeight(40)
{
    // Hover events keep the tab under the mouse up to date.
    setAttribute(Qt::WA_Hover);
}

QSize CTabBar::tabSizeHint(int index) const
{
    Q_UNUSED(index);
    const int tabs = count();
    return QSize(tabs > 0 ? width() / tabs : width(), m_tabHeight);
}

void CTabBar::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    for (int i = 0; i < count(); ++i) {
        const QRect r = tabRect(i);
        const int d = r.width() / 6;
        const int y = r.top() + r.height();
        QStyleOptionTab option;
        initStyleOption(&option, i);

        painter.setPen(QPen(QBrush(m_lineColor, Qt::SolidPattern), m_lineWidth));
        painter.drawLine(r.left(), y, r.left() + r.width(), y);
        painter.setPen(Qt::NoPen);
        if (option.state & QStyle::State_MouseOver) {
            painter.setPen(QPen(QBrush(m_hoverColor, Qt::SolidPattern), m_hoverWidth));
            painter.drawLine(r.left() + d, y, r.left() + r.width() - d, y);
        }
        if (option.state & QStyle::State_Selected) {
            painter.setPen(QPen(QBrush(m_selectColor, Qt::SolidPattern), m_selectWidth));
            painter.drawLine(r.left() + d, y, r.left() + r.width() - d, y);
        }
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawText(r, Qt::AlignCenter, tabText(i));
    }
}
