#include "featureeditdelegate.h"

#include "featurevalue.h"
#include "treeitem.h"
#include "treemodel.h"
#include "wheelguard.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTreeView>

using namespace GenApi;

namespace {

// Set on an editor once it holds the device's value; later fills are skipped
// so that what the user types is never replaced.
const char* const kFilledProperty = "campaneEditorFilled";

const char* const kMacMask = "HH:HH:HH:HH:HH:HH;_";
const char* const kIPv4Mask = "000.000.000.000;_";
const char* const kHexMask = "HHHHHHHHHHHHHHHH";

const char* const kExecuteStyle = "QPushButton{border: 1px solid rgb(55,56,58,60%);border-radius: 2px;}"
                                  "QPushButton::hover{background-color: rgb(216, 216, 216);}"
                                  "QPushButton::pressed{background-color: rgb(180, 180, 180);}"
                                  "QPushButton::disabled{border: 1px solid #CCCCCC;color: #CCCCCC;}";
const char* const kEnumerationStyle = "QComboBox QAbstractItemView::item {height: 50px;}";

TreeItem* itemOf(const QModelIndex& index)
{
    const auto* model = qobject_cast<const TreeModel*>(index.model());
    return model && index.isValid() ? model->itemFromIndex(index) : nullptr;
}

QLineEdit* maskedLineEdit(QWidget* parent, const char* mask)
{
    auto* edit = new QLineEdit(parent);
    edit->setInputMask(QLatin1String(mask));
    return edit;
}

} // namespace

FeatureEditDelegate::FeatureEditDelegate(QObject* parent)
    : QStyledItemDelegate(parent), m_view(qobject_cast<QTreeView*>(parent))
{
}

void FeatureEditDelegate::setDeviceDisabled()
{
    m_deviceDisabled = true;
}

void FeatureEditDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const
{
    TreeItem* item = itemOf(index);
    INode* node = item ? item->node() : nullptr;
    if (m_deviceDisabled || !node) {
        QStyledItemDelegate::paint(painter, QStyleOptionViewItem(), index);
        return;
    }

    const auto* model = qobject_cast<const TreeModel*>(index.model());
    bool writable = false;
    genApiCall(
        "FeatureEditDelegate",
        [&] {
            writable = node->IsFeature() && isWritableMode(item->refreshedAccessMode(model->refreshTick()));
        },
        [&](const GenICam::GenericException& e) {
            if (item->isNewFailure(e.GetDescription()))
                warnGenericException(item->name(), e);
        });
    if (index == m_commandEditorIndex) {
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        cell.text.clear();
        const QWidget* widget = option.widget ? option.widget : m_view;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
        return;
    }
    QStyledItemDelegate::paint(painter, option, index);
    if (writable)
        return;

    // The model gives no value for a feature that cannot be written; its
    // value is drawn here, in grey, as the device reports it.
    const QString text = readOnlyText(model->deviceValue(index));
    if (text.isEmpty())
        return;
    QStyle* style = QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 1;
    const QRect rect = option.rect.adjusted(margin, 0, -margin, 0);
    // Laid out once per text and font, not at every repaint: the tree
    // repaints every second and these values rarely change.
    if (m_laidOutFont != option.font || m_laidOutTexts.size() > 4096) {
        m_laidOutTexts.clear();
        m_laidOutFont = option.font;
    }
    auto laidOut = m_laidOutTexts.find(text);
    if (laidOut == m_laidOutTexts.end()) {
        QStaticText staticText(text);
        staticText.setTextFormat(Qt::PlainText);
        staticText.prepare(QTransform(), option.font);
        laidOut = m_laidOutTexts.insert(text, staticText);
    }
    const QSizeF size = laidOut->size();
    if (size.width() <= rect.width()) {
        painter->save();
        painter->setFont(option.font);
        painter->setPen(QColor(Qt::gray));
        painter->drawStaticText(QPointF(rect.left(), rect.top() + (rect.height() - size.height()) / 2.0),
                                *laidOut);
        painter->restore();
        return;
    }
    QPalette palette = option.palette;
    palette.setColor(QPalette::Text, Qt::gray);
    style->drawItemText(painter, rect, Qt::AlignLeft | Qt::AlignVCenter, palette, true,
                        option.fontMetrics.elidedText(text, Qt::ElideRight, rect.width()), QPalette::Text);
}

QString FeatureEditDelegate::readOnlyText(const QVariant& value)
{
    return deviceValueText(value);
}

QWidget* FeatureEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const
{
    Q_UNUSED(option)
    if (m_deviceDisabled || index.column() != 1)
        return nullptr;
    TreeItem* item = itemOf(index);
    if (!item || !item->node())
        return nullptr;
    QWidget* editor = nullptr;
    genApiCall(
        "FeatureEditDelegate", [&] { editor = createEditorFor(parent, index); },
        [&](const GenICam::GenericException& e) { warnGenericException(item->name(), e); });
    if (editor)
        WheelGuard::install(editor);
    if (qobject_cast<QPushButton*>(editor))
        m_commandEditorIndex = index;
    return editor;
}

void FeatureEditDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    if (index == m_commandEditorIndex)
        m_commandEditorIndex = QPersistentModelIndex();
    QStyledItemDelegate::destroyEditor(editor, index);
}

// Every GenApi call comes before the editor is made, so that an exception
// leaves no widget behind.
QWidget* FeatureEditDelegate::createEditorFor(QWidget* parent, const QModelIndex& index) const
{
    TreeItem* item = itemOf(index);
    const QString name = item->name();
    const FeatureValue feature(item->node(), name);
    const EAccessMode mode = feature.accessMode();
    if (!isWritableMode(mode))
        return nullptr;

    switch (feature.kind()) {
    case FeatureKind::Integer: {
        if (mode == WO)
            return nullptr;
        switch (feature.integerText()) {
        case IntegerText::Mac:
            return maskedLineEdit(parent, kMacMask);
        case IntegerText::IPv4:
            return maskedLineEdit(parent, kIPv4Mask);
        case IntegerText::Hex:
            return maskedLineEdit(parent, kHexMask);
        case IntegerText::Number: {
            auto* spinBox = new QDoubleSpinBox(parent);
            spinBox->setDecimals(0);
            spinBox->setContextMenuPolicy(Qt::NoContextMenu);
            return spinBox;
        }
        }
        return nullptr;
    }
    case FeatureKind::Boolean: {
        auto* comboBox = new QComboBox(parent);
        comboBox->addItem(tr("False"));
        comboBox->addItem(tr("True"));
        return comboBox;
    }
    case FeatureKind::Command: {
        auto* button = new QPushButton(tr("Execute"), parent);
        button->setStyleSheet(QLatin1String(kExecuteStyle));
        connect(button, &QPushButton::clicked, this, &FeatureEditDelegate::CommandClicked);
        return button;
    }
    case FeatureKind::Float: {
        auto* spinBox = new QDoubleSpinBox(parent);
        spinBox->setDecimals(spinBoxDecimals(TextStyle::Tree, m_fineFloats.contains(name)));
        spinBox->setContextMenuPolicy(Qt::NoContextMenu);
        return spinBox;
    }
    case FeatureKind::String:
        return new QLineEdit(parent);
    case FeatureKind::Enumeration: {
        auto* comboBox = new QComboBox(parent);
        comboBox->setStyleSheet(QLatin1String(kEnumerationStyle));
        return comboBox;
    }
    default:
        return nullptr;
    }
}

void FeatureEditDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (!editor || editor->property(kFilledProperty).toBool())
        return;
    editor->setProperty(kFilledProperty, true);
    const QSignalBlocker blocker(editor);
    // A failure ends the filling; the editor keeps what it has.
    genApiCall("FeatureEditDelegate", [&] { fillEditor(editor, index); });
}

void FeatureEditDelegate::fillEditor(QWidget* editor, const QModelIndex& index) const
{
    TreeItem* item = itemOf(index);
    if (!item || !item->node())
        return;
    const FeatureValue feature(item->node(), item->name());
    if (!isWritableMode(feature.accessMode()))
        return;
    const ReadPolicy cached;

    switch (feature.kind()) {
    case FeatureKind::Integer: {
        const IntegerText form = feature.integerText();
        if (form == IntegerText::Number) {
            auto* spinBox = qobject_cast<QDoubleSpinBox*>(editor);
            if (!spinBox)
                return;
            const FeatureLimits limits = feature.limits();
            spinBox->setRange(double(limits.minimum.toLongLong()),
                              double(quint64(limits.maximum.toLongLong())));
            spinBox->setSingleStep(double(limits.increment.toLongLong()));
            spinBox->setValue(double(feature.value(cached).toLongLong()));
            return;
        }
        if (auto* edit = qobject_cast<QLineEdit*>(editor))
            edit->setText(integerText(feature.value(cached).toLongLong(), form));
        return;
    }
    case FeatureKind::Float: {
        auto* spinBox = qobject_cast<QDoubleSpinBox*>(editor);
        if (!spinBox)
            return;
        const FeatureLimits limits = feature.limits();
        spinBox->setRange(limits.minimum.toDouble(), limits.maximum.toDouble());
        spinBox->setSingleStep(limits.increment.isValid() ? limits.increment.toDouble() : 0.1);
        spinBox->setValue(feature.value(cached).toDouble());
        return;
    }
    case FeatureKind::Boolean:
        if (auto* comboBox = qobject_cast<QComboBox*>(editor))
            comboBox->setCurrentIndex(feature.value(cached).toBool() ? 1 : 0);
        return;
    case FeatureKind::String:
        if (auto* edit = qobject_cast<QLineEdit*>(editor))
            edit->setText(feature.value(cached).toString());
        return;
    case FeatureKind::Enumeration: {
        auto* comboBox = qobject_cast<QComboBox*>(editor);
        if (!comboBox)
            return;
        comboBox->addItems(feature.entries(true));
        const QVariant current = feature.value(cached);
        if (current.isValid())
            comboBox->setCurrentText(current.toString());
        return;
    }
    default:
        return;
    }
}

void FeatureEditDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                       const QModelIndex& index) const
{
    QVariant value;
    genApiCall("FeatureEditDelegate", [&] { value = editorValue(editor, index); });
    model->setData(index, value, Qt::EditRole);
}

// The editor's value as the model writes it; invalid when nothing is to be
// written.
QVariant FeatureEditDelegate::editorValue(QWidget* editor, const QModelIndex& index) const
{
    TreeItem* item = itemOf(index);
    if (!item || !item->node() || !editor)
        return QVariant();
    const FeatureValue feature(item->node(), item->name());

    switch (feature.kind()) {
    case FeatureKind::Integer: {
        const IntegerText form = feature.integerText();
        if (form == IntegerText::Mac || form == IntegerText::IPv4)
            return QVariant(); // addresses are shown, not written from here
        if (form == IntegerText::Hex) {
            auto* edit = qobject_cast<QLineEdit*>(editor);
            if (!edit)
                return QVariant();
            bool ok = false;
            const qulonglong value = edit->text().toULongLong(&ok, 16);
            if (!ok) {
                FeatureError notHex;
                notHex.feature = item->name();
                notHex.operation = QStringLiteral("write");
                reportFeature({QByteArrayLiteral("campane.tree"), 0, QString()}, notHex,
                              QStringLiteral("%1: \"%2\" is not a hexadecimal number; nothing written")
                                  .arg(item->name(), edit->text()));
                return QVariant();
            }
            return QVariant(qlonglong(value));
        }
        Q_FALLTHROUGH();
    }
    case FeatureKind::Float: {
        auto* spinBox = qobject_cast<QDoubleSpinBox*>(editor);
        if (!spinBox)
            return QVariant();
        spinBox->interpretText();
        return spinBox->value();
    }
    case FeatureKind::Boolean: {
        auto* comboBox = qobject_cast<QComboBox*>(editor);
        return comboBox ? QVariant(comboBox->currentIndex() != 0) : QVariant();
    }
    case FeatureKind::String: {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        return edit ? QVariant(edit->text().toUtf8()) : QVariant();
    }
    case FeatureKind::Enumeration: {
        auto* comboBox = qobject_cast<QComboBox*>(editor);
        return comboBox ? QVariant(comboBox->currentText()) : QVariant();
    }
    default:
        return QVariant();
    }
}

void FeatureEditDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                               const QModelIndex& index) const
{
    Q_UNUSED(index)
    editor->setGeometry(option.rect);
    editor->repaint();
}

QString FeatureEditDelegate::displayText(const QVariant& value, const QLocale& locale) const
{
    return QStyledItemDelegate::displayText(value, locale);
}
