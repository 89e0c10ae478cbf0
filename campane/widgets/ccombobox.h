#pragma once

#include "qtcompat.h"

#include <QComboBox>
#include <QList>
#include <QPair>
#include <QStringList>

class CustomItemModel;
class QFrame;
class QListView;

// A combo box whose drop-down list is a list of check boxes.
//
// The user ticks any number of entries; the list stays open while entries are
// ticked and closes on a press outside it. The closed box shows the ticked
// entries joined with "、", elided at the right when too wide. Owners hear of
// the list opening and closing through showPopupEvent() and hidePopupEvent(),
// however it closes.
//
// Row 0 of the model is an invisible placeholder that is always the current
// item. Model rows therefore start at 1 for the first real entry, and the
// index that itemCheckedStatusChanged() reports is the model row minus 1.
class CComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit CComboBox(QWidget* parent = nullptr);

    // Appends a checkable entry. `userData` is kept under Qt::UserRole + 1.
    void addItem(const QString& text, bool checked = false, const QVariant& userData = QVariant());

    // Text and check state of every row, the placeholder included.
    QList<QPair<QString, bool>> items() const;
    // User data, as text, of the ticked rows in row order.
    QStringList checkedData() const;
    // Model rows that are ticked.
    QList<int> checkedIndexes() const;
    // Ticks or clears a model row without emitting itemCheckedStatusChanged().
    void setItemChecked(int row, bool checked);
    // Removes every row, the placeholder too; refill with the rows of items().
    void clear();

    void setShowToolTip(bool show);

    // The ticked entries joined, and the text as the box draws it at its
    // current width.
    QString text() const { return m_text; }
    QString displayText() const;

    void showPopup() override;
    void hidePopup() override;

signals:
    void itemCheckedStatusChanged(int index, bool isChecked);
    void showPopupEvent();
    void hidePopupEvent();

public slots:
    // Rebuilds the joined text; `index` is not used.
    void updateText(int index = -1);
    void onListViewClicked(const QModelIndex& index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QtCompat::EnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void onCurrentIndexChanged(int index);

    QListView* m_listView = nullptr;
    CustomItemModel* m_model = nullptr;
    QFrame* m_popupFrame = nullptr;
    bool m_canHide = true;
    bool m_popupOpen = false;
    QString m_text;
    bool m_showToolTip = false;
};
