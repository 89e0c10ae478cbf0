// The row's editors: made and updated from the feature's value, and the
// values they write.

#include "toolpagewidgetitem.h"

#include "displaytexts.h"
#include "featurepolicy.h"
#include "rowparts.h"
#include "switchbutton.h"
#include "wheelguard.h"

#include <Corvid/Corvid.h>
#include <GenApi/GenApi.h>

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

using namespace RowParts;

namespace {

constexpr double kDefaultFloatStep = 0.01;

// The last value a spin box had accepted (a float for the double spin box,
// as the row stores it).
int preValueOf(const QSpinBox* spinBox)
{
    return spinBox->property(kPreValue).toInt();
}

double preValueOf(const QDoubleSpinBox* spinBox)
{
    return spinBox->property(kPreValue).toFloat();
}

} // namespace

QWidget* ToolPageWidgetItem::createEditor(GenApi::INode* node, bool& ok)
{
    if (!node)
        return m_widget;

    FeatureKind kind = FeatureKind::None;
    const GenApiOutcome outcome = genApiCall(kTag, [&] {
        m_nodeName = fromGc(node->GetName());
        kind = FeatureValue(node, m_nodeName).kind();
    });
    if (outcome != GenApiOutcome::Done)
        return m_widget;

    const FeatureValue feature(node, m_nodeName);
    const bool hadEditor = m_widget != nullptr;
    switch (kind) {
    case FeatureKind::Integer:
    case FeatureKind::Float:
        createNumberEditor(feature, kind == FeatureKind::Float, ok);
        break;
    case FeatureKind::Boolean:
        createBooleanEditor(feature, ok);
        break;
    case FeatureKind::Command:
        createCommandEditor(feature, ok);
        break;
    case FeatureKind::Enumeration:
        createEnumerationEditor(feature, ok);
        break;
    default:
        // Strings, registers, categories ...: a label-only row.
        return m_widget;
    }

    // An editor that appears after set-up (its node became usable) takes its
    // place in the row.
    if (!hadEditor && m_widget && m_paramInit) {
        buildNodeLayout();
        if (isVisible())
            m_widget->show();
    }
    return m_widget;
}

// An integer's QSpinBox or a float's QDoubleSpinBox.
QWidget* ToolPageWidgetItem::createNumberEditor(const FeatureValue& feature, bool floating, bool& ok)
{
    const bool update = m_widget != nullptr;
    const FeatureRead read = feature.read(FeaturePolicy::panelNumber(update), kTag);
    if (read.error.failed())
        return m_widget;
    if (!read.readable) {
        ok = false;
        return m_widget;
    }
    FeatureLimits limits;
    // An update keeps the step it has: no increment to read.
    if (genApiCall(kTag, [&] { limits = feature.limits(!(floating && update)); }) != GenApiOutcome::Done)
        return m_widget;

    if (floating) {
        double minimum = limits.minimum.toDouble();
        double maximum = limits.maximum.toDouble();
        double step = kDefaultFloatStep;
        if (!update) {
            minimum = static_cast<float>(minimum);
            maximum = static_cast<float>(maximum);
            step = static_cast<float>(limits.increment.isValid() ? limits.increment.toDouble()
                                                                 : kDefaultFloatStep);
        }
        const double value = read.value.toDouble();
        if (update) {
            auto* spinBox = qobject_cast<QDoubleSpinBox*>(m_widget);
            if (!spinBox)
                return m_widget;
            const QSignalBlocker blocker(spinBox);
            spinBox->setMinimum(minimum);
            spinBox->setMaximum(maximum);
            spinBox->setSingleStep(kDefaultFloatStep);
            spinBox->setValue(value);
        } else {
            auto* spinBox = new QDoubleSpinBox(this);
            spinBox->setDecimals(spinBoxDecimals(TextStyle::PanelSpinBox));
            spinBox->setMinimum(minimum);
            spinBox->setMaximum(maximum);
            spinBox->setSingleStep(step);
            spinBox->setValue(value);
            spinBox->setProperty(kPreValue, QVariant(static_cast<float>(value)));
            connect(spinBox, &QAbstractSpinBox::editingFinished, this,
                    &ToolPageWidgetItem::onFloatParamChanged);
            m_widget = spinBox;
        }
    } else {
        const int value = read.value.toInt();
        const int minimum = narrowToInt(limits.minimum.toLongLong());
        const int maximum = narrowMaximumToInt(limits.maximum.toLongLong());
        const int increment = narrowToInt(limits.increment.toLongLong());
        if (update) {
            auto* spinBox = qobject_cast<QSpinBox*>(m_widget);
            if (!spinBox)
                return m_widget;
            const QSignalBlocker blocker(spinBox);
            spinBox->setRange(minimum, maximum);
            spinBox->setSingleStep(increment);
            spinBox->setValue(value);
        } else {
            auto* spinBox = new QSpinBox(this);
            spinBox->setMinimum(minimum);
            spinBox->setMaximum(maximum);
            spinBox->setSingleStep(increment);
            spinBox->setValue(value);
            spinBox->setProperty(kPreValue, QVariant(value));
            connect(spinBox, &QAbstractSpinBox::editingFinished, this,
                    &ToolPageWidgetItem::onIntParamChanged);
            m_widget = spinBox;
        }
    }
    if (!update) {
        auto* spinBox = static_cast<QAbstractSpinBox*>(m_widget);
        spinBox->setFixedHeight(kEditorHeight);
        spinBox->setMinimumWidth(kEditorMinimumWidth);
        spinBox->setContextMenuPolicy(Qt::NoContextMenu);
        WheelGuard::install(spinBox);
    }
    ok = true;
    m_widget->setEnabled(m_enable && read.writable);
    return m_widget;
}

QWidget* ToolPageWidgetItem::createBooleanEditor(const FeatureValue& feature, bool& ok)
{
    const FeatureRead read = feature.read(FeaturePolicy::panelChoice(), kTag);
    if (read.error.failed())
        return m_widget;
    if (!read.readable) {
        ok = false;
        return m_widget;
    }

    const bool value = read.value.toBool();
    if (m_widget) {
        auto* button = m_widget->findChild<SwitchButton*>();
        if (!button)
            return m_widget;
        const QSignalBlocker blocker(button);
        button->setSwitchOn(value);
    } else {
        auto* button = new SwitchButton;
        button->setSwitchOn(value);
        button->setFixedSize(kSwitchWidth, kSwitchHeight);
        connect(button, &QAbstractButton::clicked, this, &ToolPageWidgetItem::onBoolParamChanged);
        m_widget = createSwitchContainer(this, button);
    }
    ok = true;
    m_widget->setEnabled(m_enable && read.writable);
    return m_widget;
}

QWidget* ToolPageWidgetItem::createCommandEditor(const FeatureValue& feature, bool& ok)
{
    bool writable = false;
    if (genApiCall(kTag, [&] { writable = isWritableMode(feature.accessMode()); }) != GenApiOutcome::Done)
        return m_widget;

    if (!m_widget) {
        auto* button = new QPushButton(tr("Execute"), this);
        button->setStyleSheet(QLatin1String(kCommandStyle));
        button->setFixedHeight(kEditorHeight);
        button->setMinimumWidth(kEditorMinimumWidth);
        connect(button, &QAbstractButton::clicked, this, &ToolPageWidgetItem::onCommandParamChanged);
        m_widget = button;
    }
    ok = true;
    m_widget->setEnabled(m_enable && writable);
    return m_widget;
}

QString ToolPageWidgetItem::entryText(const QString& entry) const
{
    return m_languageType == LanguageChinese ? chineseEntryText(entry, entry) : entry;
}

QWidget* ToolPageWidgetItem::createEnumerationEditor(const FeatureValue& feature, bool& ok)
{
    const FeatureRead read = feature.read(FeaturePolicy::panelChoice(), kTag);
    QStringList entries;
    if (read.error.failed())
        return m_widget;
    if (!read.readable) {
        ok = false;
        return m_widget;
    }
    if (genApiCall(kTag, [&] { entries = feature.entries(false); }) != GenApiOutcome::Done)
        return m_widget;

    for (QString& entry : entries)
        entry = entryText(entry);
    const QString current = entryText(read.value.toString());

    if (m_widget) {
        auto* comboBox = qobject_cast<QComboBox*>(m_widget);
        if (!comboBox)
            return m_widget;
        const QSignalBlocker blocker(comboBox);
        comboBox->clear();
        comboBox->addItems(entries);
        comboBox->setCurrentText(current);
    } else {
        auto* comboBox = new QComboBox(this);
        comboBox->setFixedHeight(kEditorHeight);
        comboBox->setMinimumWidth(kEditorMinimumWidth);
        comboBox->addItems(entries);
        comboBox->setCurrentText(current);
        comboBox->setStyleSheet(QLatin1String(kComboStyle));
        WheelGuard::install(comboBox);
        connect(comboBox, &QComboBox::currentTextChanged, this, &ToolPageWidgetItem::onEnumParamChanged);
        m_widget = comboBox;
    }
    ok = true;
    m_widget->setEnabled(m_enable && read.writable);
    return m_widget;
}

void ToolPageWidgetItem::refreshRealTime()
{
    if (!m_widget)
        return;
    // A value being typed is not overwritten.
    const QWidget* focus = QApplication::focusWidget();
    if (m_widget->hasFocus() || (focus && m_widget->isAncestorOf(focus)))
        return;

    std::string text;
    if (Corvid::GetCameraNodeValue(toStd(m_camId), toStd(m_nodeName), text) != Corvid::RESULT_OK)
        return;
    const QString value = fromStd(text);

    const QList<QRadioButton*> radios = m_widget->findChildren<QRadioButton*>();
    if (radios.size() == 2) {
        for (QRadioButton* radio : radios) {
            const QSignalBlocker blocker(radio);
            radio->setChecked(radio->text() == value);
        }
    } else if (auto* spinBox = qobject_cast<QDoubleSpinBox*>(m_widget)) {
        bool number = false;
        float parsed = value.toFloat(&number);
        // The value text has the feature's display precision only; the box
        // takes the value itself.
        if (m_node && number) {
            ReadPolicy single;
            single.floatWidth = FloatWidth::Single;
            genApiCall(kTag, [&] { parsed = FeatureValue(m_node, m_nodeName).value(single).toFloat(); });
        }
        if (!number) {
            FeatureError notNumber;
            notNumber.feature = m_nodeName;
            notNumber.operation = QStringLiteral("read");
            reportFeature({QByteArrayLiteral("campane.panel"), 1, m_camId}, notNumber,
                          QStringLiteral("Refresh of %1: \"%2\" is not a number, the value stays")
                              .arg(m_nodeName, value));
            return;
        }
        const QSignalBlocker blocker(spinBox);
        spinBox->setValue(parsed);
    } else if (auto* comboBox = qobject_cast<QComboBox*>(m_widget)) {
        // The combo box lists the entries in the row's language.
        const QSignalBlocker blocker(comboBox);
        comboBox->setCurrentText(entryText(value));
    }
}

// Reports a write the device took, or one that GenApi refused or the device
// did not confirm in time: the line names the feature and the device's
// reason. Returns whether it was written.
bool ToolPageWidgetItem::reportWrite(const FeatureWrite& write)
{
    if (write.written) {
        reportWritten(m_nodeName, m_camId);
        return true;
    }
    if (write.error.isGeneric())
        reportFeature({kTag, 0, m_camId}, write.error, refusedWriteText(write.error));
    if (write.error.isNotConfirmed())
        watchUnconfirmedWrite();
    return false;
}

// Writes a numeric editor's value. Written: the box shows the value read
// back, loses the focus and remembers its value as accepted. Refused by
// GenApi: the box goes back to its last accepted value. Returns whether the
// value was written.
template <class SpinBox> bool ToolPageWidgetItem::writeSpinBox(SpinBox* spinBox)
{
    const auto value = spinBox->value();
    const FeatureWrite write =
        FeatureValue(m_node, m_nodeName).write(QVariant(value), FeaturePolicy::panelNumberWrite(), kTag);
    const bool written = reportWrite(write);

    const QSignalBlocker blocker(spinBox);
    if (written) {
        spinBox->setValue(write.readBack.value<std::decay_t<decltype(value)>>());
        // Losing the focus ends editing again; the value is written already.
        spinBox->clearFocus();
        spinBox->setProperty(kPreValue, QVariant(value));
        return true;
    }
    if (write.error.isGeneric())
        spinBox->setValue(preValueOf(spinBox));
    return false;
}

void ToolPageWidgetItem::onIntParamChanged()
{
    auto* spinBox = qobject_cast<QSpinBox*>(sender());
    if (spinBox && m_node && writeSpinBox(spinBox))
        emit valueChanged(QVariant());
}

void ToolPageWidgetItem::onFloatParamChanged()
{
    auto* spinBox = qobject_cast<QDoubleSpinBox*>(sender());
    if (spinBox && m_node && writeSpinBox(spinBox))
        emit valueChanged(QVariant());
}

void ToolPageWidgetItem::onBoolParamChanged()
{
    auto* button = qobject_cast<SwitchButton*>(sender());
    if (!button || !m_node)
        return;
    // The switch has flipped itself already.
    const FeatureValue feature(m_node, m_nodeName);
    if (reportWrite(feature.write(button->isSwitchOn(), FeaturePolicy::panelChoiceWrite(), kTag)))
        emit valueChanged(QVariant());
}

void ToolPageWidgetItem::onEnumParamChanged(const QString& value)
{
    if (!m_node)
        return;
    // The combo box may show Chinese texts; the device takes entry names.
    const QString entry = englishEntryText(value, value);
    const FeatureValue feature(m_node, m_nodeName);
    if (!reportWrite(feature.write(entry, FeaturePolicy::panelChoiceWrite(), kTag)))
        return;
    if (auto* comboBox = qobject_cast<QWidget*>(sender()))
        comboBox->clearFocus();
    emit valueChanged(QVariant());
}

void ToolPageWidgetItem::onCommandParamChanged()
{
    if (!m_node)
        return;
    FeatureWrite run;
    run.error = FeatureValue(m_node, m_nodeName).execute(true, kTag);
    run.written = !run.error.failed();
    if (reportWrite(run))
        emit valueChanged(QVariant());
}
