#pragma once

#include <QFont>
#include <QHash>
#include <QPersistentModelIndex>
#include <QStaticText>
#include <QStringList>
#include <QStyledItemDelegate>

class QTreeView;

// The delegate of the feature tree's value column.
//
// It creates the editor that suits each feature (masked line edits for MAC,
// IPv4 and hex values, spin boxes, combo boxes for booleans and enumerations,
// an "Execute" button for commands, a line edit for text), fills it from the
// device, and hands the edited value to the model, which writes it. Values
// that cannot be written are painted in grey from the device.
//
// An editor is filled once, when it opens: later changes of the model do not
// replace what the user is typing.
class FeatureEditDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit FeatureEditDelegate(QObject* parent = nullptr);

    // The device is gone: values are no longer painted and no editor opens.
    void setDeviceDisabled();
    // Floats whose values are fractions of one: their editors show six
    // decimals instead of four. None unless the owner names them.
    void setFineFloats(const QStringList& names) { m_fineFloats = names; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    QString displayText(const QVariant& value, const QLocale& locale) const override;

    // The text painted for a value that cannot be written: the value as the
    // model read it (floats in their node's notation), as text.
    static QString readOnlyText(const QVariant& value);

signals:
    // The "Execute" button of a command was clicked.
    void CommandClicked(bool checked);

private:
    QWidget* createEditorFor(QWidget* parent, const QModelIndex& index) const;
    void fillEditor(QWidget* editor, const QModelIndex& index) const;
    QVariant editorValue(QWidget* editor, const QModelIndex& index) const;

    QTreeView* m_view;
    bool m_deviceDisabled = false;
    QStringList m_fineFloats;
    // The cell under an open "Execute" button: the button has no background,
    // so the cell is painted without its "{Execute}" text meanwhile.
    mutable QPersistentModelIndex m_commandEditorIndex;
    // Read-only values laid out for m_laidOutFont.
    mutable QHash<QString, QStaticText> m_laidOutTexts;
    mutable QFont m_laidOutFont;
};
