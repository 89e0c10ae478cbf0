#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QLabel;

namespace Ui {
class CToolPage;
}

// What a page asks of its content widgets: a refresh while the page is
// unfolded and a language switch. The panel's groups implement it; any other
// content widget only takes part in the layout.
class CToolPageContent
{
public:
    virtual void refreshItems() = 0;
    virtual void setLanguageType(int languageType) = 0;

protected:
    ~CToolPageContent() = default;
};

// One foldable page of a CToolBox: a full-width title button (a fold arrow
// and the title) above a content area.
//
// A click on the title folds or unfolds the page. Folded pages are not
// refreshed. The page's spacer below the content stays collapsed unless
// setSpacerFollowsFold(true) lets a folded page take the free height.
//
// The arrow icons are the host's ":/Resources/icons/camera/fold.png" and
// "unfold.png"; a host without them gets a drawn arrow.
class CToolPage : public QWidget
{
    Q_OBJECT

public:
    explicit CToolPage(QWidget* parent = nullptr);
    ~CToolPage() override;

    // Sets the title (English; Chinese for setLanguageType(1)) and adds
    // `widget` to the content, which unfolds the page. `type` 1 makes a page
    // without title button, which cannot be folded.
    void addWidget(const QString& title, const QString& titleZh, QWidget* widget, int type = 0);

    void expand();
    void collapse();
    bool isExpanded() const { return m_isExpanded; }

    void setSpacerExpanding(bool expanding);
    void setSpacerFollowsFold(bool follows) { m_spacerFollowsFold = follows; }
    bool spacerFollowsFold() const { return m_spacerFollowsFold; }

    // refreshItems() of every content widget, unless the page is folded.
    void refresh();
    // Switches the title and every content widget: 0 English, 1 Chinese.
    void setLanguageType(int languageType);

    QString title() const;
    QList<QWidget*> widgets() const { return m_widgets; }

public slots:
    void onPushButtonFoldClicked();

private:
    void showArrow(bool unfolded);

    Ui::CToolPage* ui;
    bool m_isExpanded = false;
    QLabel* m_iconLabel = nullptr;
    QLabel* m_titleLabel = nullptr;
    QList<QWidget*> m_widgets;
    QString m_titleEn;
    QString m_titleZh;
    bool m_spacerFollowsFold = false;
};
