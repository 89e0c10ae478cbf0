#pragma once

#include <QColor>
#include <QTabBar>

// A flat tab bar: the tabs share the bar's width equally and are drawn as
// centred text over a grey underline, with a shorter green underline for the
// tab under the mouse and for the current tab.
class CTabBar : public QTabBar
{
public:
    explicit CTabBar(QWidget* parent = nullptr);

protected:
    QSize tabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_lineColor;
    QColor m_hoverColor;
    QColor m_selectColor;
    int m_lineWidth;
    int m_hoverWidth;
    int m_selectWidth;
    int m_tabHeight;
};
