#include "ctoolbox.h"

#include "ctoolpage.h"
#include "ui_ctoolbox.h"

#include <QVBoxLayout>

CToolBox::CToolBox(QWidget* parent) : QWidget(parent), ui(new Ui::CToolBox)
{
    ui->setupUi(this);

    // The pages sit at the top of the scrolled widget; the stretch below them
    // takes whatever height they leave.
    auto* content = new QWidget(this);
    auto* outerLayout = new QVBoxLayout(content);
    outerLayout->setContentsMargins(0, 0, 0, 0);
    m_contentLayout = new QVBoxLayout;
    m_contentLayout->setContentsMargins(0, 0, 0, 10);
    m_contentLayout->setSpacing(0);
    outerLayout->addLayout(m_contentLayout);
    outerLayout->addStretch(1);

    // Replaces (and deletes) the form's empty scrollAreaWidgetContents.
    ui->scrollArea->setWidget(content);
    ui->scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

CToolBox::~CToolBox()
{
    delete ui;
}

CToolPage* CToolBox::addPage(const QString& title, const QString& titleZh, QWidget* widget, int type)
{
    auto* page = new CToolPage(this);
    page->addWidget(title, titleZh, widget, type);
    m_contentLayout->addWidget(page, 0);
    m_pages.append(page);
    return page;
}

void CToolBox::clear()
{
    // Taken out of the widget tree at once, deleted once control returns to
    // the event loop: a clear may be asked for by a widget of a page.
    for (CToolPage* page : qAsConst(m_pages)) {
        m_contentLayout->removeWidget(page);
        page->hide();
        page->setParent(nullptr);
        page->deleteLater();
    }
    m_pages.clear();
}

void CToolBox::refresh()
{
    for (CToolPage* page : qAsConst(m_pages))
        page->refresh();
}

void CToolBox::setLanguageType(int languageType)
{
    for (CToolPage* page : qAsConst(m_pages))
        page->setLanguageType(languageType);
}
