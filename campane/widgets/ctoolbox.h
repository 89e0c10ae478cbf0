#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class CToolPage;
class QVBoxLayout;

namespace Ui {
class CToolBox;
}

// A vertical, scrollable stack of foldable pages (CToolPage). Refreshes and
// language switches fan out to the pages and from them to their content.
class CToolBox : public QWidget
{
    Q_OBJECT

public:
    explicit CToolBox(QWidget* parent = nullptr);
    ~CToolBox() override;

    // Appends a page holding `widget`, titled `title` in English and
    // `titleZh` in Chinese; `type` 1 gives a page without title button.
    CToolPage* addPage(const QString& title, const QString& titleZh, QWidget* widget, int type = 0);
    QList<CToolPage*> pages() const { return m_pages; }

    // Removes every page with its content; they are deleted later.
    void clear();

    void refresh();
    void setLanguageType(int languageType);

private:
    Ui::CToolBox* ui;
    QVBoxLayout* m_contentLayout = nullptr;
    QList<CToolPage*> m_pages;
};
