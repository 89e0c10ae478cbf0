#include "toolpagewidget.h"

#include "toolpagewidgetitem.h"
#include "ui_toolpagewidget.h"

ToolPageWidget::ToolPageWidget(QWidget* parent) : QWidget(parent), ui(new Ui::ToolPageWidget)
{
    ui->setupUi(this);
}

ToolPageWidget::~ToolPageWidget()
{
    delete ui;
}

void ToolPageWidget::addItem(QWidget* widget)
{
    if (!widget)
        return;
    ui->verticalLayout->addWidget(widget, 0);
    m_items.append(widget);
    if (auto* item = qobject_cast<ToolPageWidgetItem*>(widget)) {
        // The write has happened when the signal arrives: every row of the
        // group reads its node again, the writing row included.
        connect(item, &ToolPageWidgetItem::valueChanged, this, [this] { refreshItems(); });
    }
}

void ToolPageWidget::refreshItems()
{
    for (QWidget* widget : qAsConst(m_items)) {
        if (auto* item = qobject_cast<ToolPageWidgetItem*>(widget))
            item->refresh(false);
    }
}

void ToolPageWidget::setLanguageType(int languageType)
{
    for (QWidget* widget : qAsConst(m_items)) {
        if (auto* item = qobject_cast<ToolPageWidgetItem*>(widget))
            item->setLanguageType(languageType);
    }
}

void ToolPageWidget::showEvent(QShowEvent*)
{
    // Visible rows refresh themselves when they are shown; hidden ones get
    // their chance to reappear here.
    for (QWidget* widget : qAsConst(m_items)) {
        auto* item = qobject_cast<ToolPageWidgetItem*>(widget);
        if (item && item->isHidden())
            item->refresh(false);
    }
}
