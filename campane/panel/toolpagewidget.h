#pragma once

#include "ctoolpage.h"

#include <QList>
#include <QWidget>

namespace Ui {
class ToolPageWidget;
}

// The body of one group of the parameter panel: a column of rows, placed in
// a foldable page of a tool box that supplies the group's title.
//
// The group keeps its rows in order and fans out to them: a refresh after
// any of its rows wrote a value (rows whose range or access depends on that
// value follow at once), a language switch, and a re-check of hidden rows
// whenever the group is shown (a row hidden while its node was unusable
// reappears once the node is usable). Widgets other than rows only take part
// in the layout.
class ToolPageWidget : public QWidget, public CToolPageContent
{
    Q_OBJECT

public:
    explicit ToolPageWidget(QWidget* parent = nullptr);
    ~ToolPageWidget() override;

    // Appends a row (or any widget) to the column; the group becomes its
    // parent.
    void addItem(QWidget* widget);
    QList<QWidget*> items() const { return m_items; }

    // refresh(false) of every row, in order.
    void refreshItems() override;
    // setLanguageType() of every row, in order.
    void setLanguageType(int languageType) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Ui::ToolPageWidget* ui;
    QList<QWidget*> m_items;
};
