#include "toolpagewidgetitem.h"

#include "ccombobox.h"
#include "displaytexts.h"
#include "genapicall.h"
#include "switchbutton.h"
#include "wheelguard.h"

#include <Corvid/Corvid.h>
#include <GenApi/GenApi.h>

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QThread>

#include <limits>
#include <string>

using namespace GenApi;

namespace {

Q_LOGGING_CATEGORY(lcPanel, "campane.panel")
// Writes that the device took, for a host that clears an earlier refusal.
Q_LOGGING_CATEGORY(lcPanelWrite, "campane.write", QtInfoMsg)

void logWritten(const QString& nodeName)
{
    qCDebug(lcPanelWrite, "Wrote %s", qUtf8Printable(nodeName));
}

const char* const kTag = "ToolPageWidgetItem";
const char* const kPreValue = "preValue";

const char* const kSwitchContainerStyle =
    "#widget{background: none;}QPushButton{background: none;border: none;}";
const char* const kCommandStyle = "QPushButton{border: 1px solid rgb(55,56,58,60%);border-radius: 2px;}"
                                  "QPushButton::hover{background-color: rgb(216, 216, 216);}"
                                  "QPushButton::pressed{background-color: rgb(180, 180, 180);}"
                                  "QPushButton::disabled{border: 1px solid #CCCCCC;color: #CCCCCC;}";
const char* const kComboStyle = "QComboBox QAbstractItemView::item {height: 50px;}";

constexpr int kRowHeight = 40;
constexpr int kEditorHeight = 34;
constexpr int kEditorMinimumWidth = 150;
constexpr int kSwitchWidth = 44;
constexpr int kSwitchHeight = 20;
// Boolean and enumeration writes give the device this long before the value
// is read back.
constexpr unsigned long kReadBackPauseMs = 10;
constexpr double kDefaultFloatStep = 0.01;

bool isReadable(EAccessMode mode)
{
    return mode == RO || mode == RW;
}

bool isWritable(EAccessMode mode)
{
    return mode == WO || mode == RW;
}

// A spin box holds an int: 64-bit values keep their low 32 bits.
int narrow(int64_t value)
{
    return static_cast<int>(static_cast<uint32_t>(value));
}

// The same for a maximum, except that an all-ones maximum (4294967295, or
// any 64-bit maximum whose low word is all ones) would read as -1 and leave
// no range at all: it becomes the largest int instead.
int narrowMaximum(int64_t value)
{
    const int narrowed = narrow(value);
    return narrowed == -1 ? std::numeric_limits<int>::max() : narrowed;
}

std::string toStd(const QString& text)
{
    return text.toUtf8().toStdString();
}

QWidget* createSwitchContainer(QWidget* parent, SwitchButton* button)
{
    auto* container = new QWidget(parent);
    container->setObjectName(QStringLiteral("widget"));
    auto* layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(0);
    layout->addWidget(button);
    container->setStyleSheet(QLatin1String(kSwitchContainerStyle));
    return container;
}

// An entry text in a language: Chinese texts through the display map, English
// texts back through the reverse map; texts the maps do not hold stay.
QString translatedEntry(const QString& text, int languageType)
{
    if (languageType == LanguageEnglish)
        return englishEntryText(text, text);
    if (languageType == LanguageChinese)
        return chineseEntryText(text, text);
    return text;
}

} // namespace

ToolPageWidgetItem::ToolPageWidgetItem(QWidget* parent) : QWidget(parent) {}

ToolPageWidgetItem::~ToolPageWidgetItem() = default;

void ToolPageWidgetItem::createLabel()
{
    delete m_label;
    m_label = new QLabel(this);
    m_label->setAttribute(Qt::WA_TranslucentBackground);
}

void ToolPageWidgetItem::setupNode(const QStringList& titleName, const QStringList& descriptionName,
                                   INode* node, bool hiddenAuto)
{
    createLabel();
    m_titleName = titleName;
    m_descriptionName = descriptionName;
    m_node = node;
    m_hiddenAuto = hiddenAuto;

    if (m_node) {
        bool usable = false;
        genApiCall(kTag, [&] { usable = m_node->IsFeature() && m_node->GetVisibility() != Invisible; });
        if (!usable)
            m_node = nullptr;
    }

    bool ok = false;
    if (m_node)
        createEditor(m_node, ok);
    if (m_hiddenAuto && !ok)
        hide();

    buildNodeLayout();
    m_paramInit = true;
}

void ToolPageWidgetItem::setupWidget(const QStringList& titleName, const QStringList& descriptionName,
                                     QWidget* widget)
{
    createLabel();
    m_titleName = titleName;
    m_descriptionName = descriptionName;
    delete layout();

    auto* rowLayout = new QHBoxLayout;
    rowLayout->addWidget(m_label, 0);
    if (widget) {
        QWidget* placed = widget;
        if (auto* button = qobject_cast<SwitchButton*>(widget)) {
            rowLayout->addStretch(1);
            button->setFixedSize(kSwitchWidth, kSwitchHeight);
            placed = createSwitchContainer(this, button);
        } else {
            widget->setFixedHeight(kEditorHeight);
            widget->setMinimumWidth(kEditorMinimumWidth);
            WheelGuard::installRecursively(widget);
        }
        rowLayout->addWidget(placed, 0);
        m_widget = placed;
    } else {
        rowLayout->addStretch(0);
    }
    rowLayout->setContentsMargins(30, 3, 10, 3);
    setLayout(rowLayout);
    setFixedHeight(kRowHeight);
}

void ToolPageWidgetItem::buildNodeLayout()
{
    delete layout();
    auto* rowLayout = new QHBoxLayout;
    rowLayout->addWidget(m_label, 0);
    if (m_widget)
        rowLayout->addWidget(m_widget, 0);
    rowLayout->setContentsMargins(30, 3, 10, 3);
    setLayout(rowLayout);
    setFixedHeight(kRowHeight);
}

QWidget* ToolPageWidgetItem::createEditor(INode* node, bool& ok)
{
    if (!node)
        return m_widget;

    EInterfaceType type = intfIBase;
    const GenApiOutcome outcome = genApiCall(kTag, [&] {
        m_nodeName = QString::fromUtf8(node->GetName().c_str());
        type = node->GetPrincipalInterfaceType();
    });
    if (outcome != GenApiOutcome::Done)
        return m_widget;

    const bool hadEditor = m_widget != nullptr;
    switch (type) {
    case intfIInteger:
        createIntegerEditor(node, ok);
        break;
    case intfIBoolean:
        createBooleanEditor(node, ok);
        break;
    case intfICommand:
        createCommandEditor(node, ok);
        break;
    case intfIFloat:
        createFloatEditor(node, ok);
        break;
    case intfIEnumeration:
        createEnumerationEditor(node, ok);
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

QWidget* ToolPageWidgetItem::createIntegerEditor(INode* node, bool& ok)
{
    const bool update = m_widget != nullptr;
    bool readable = false;
    bool writable = false;
    int value = 0, minimum = 0, maximum = 0, increment = 1;
    const GenApiOutcome outcome = genApiCall(kTag, [&] {
        CIntegerPtr integer(node);
        if (!integer.IsValid())
            return;
        const EAccessMode mode = integer->GetAccessMode();
        readable = isReadable(mode);
        if (!readable)
            return;
        writable = isWritable(mode);
        value = narrow(update ? integer->GetValue(false, false) : integer->GetValue(true, true));
        minimum = narrow(integer->GetMin());
        maximum = narrowMaximum(integer->GetMax());
        increment = narrow(integer->GetInc());
    });
    if (outcome != GenApiOutcome::Done)
        return m_widget;
    if (!readable) {
        ok = false;
        return m_widget;
    }

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
        spinBox->setFixedHeight(kEditorHeight);
        spinBox->setMinimumWidth(kEditorMinimumWidth);
        spinBox->setMinimum(minimum);
        spinBox->setMaximum(maximum);
        spinBox->setSingleStep(increment);
        spinBox->setValue(value);
        spinBox->setContextMenuPolicy(Qt::NoContextMenu);
        spinBox->setProperty(kPreValue, QVariant(value));
        WheelGuard::install(spinBox);
        connect(spinBox, &QAbstractSpinBox::editingFinished, this, &ToolPageWidgetItem::onIntParamChanged);
        m_widget = spinBox;
    }
    ok = true;
    m_widget->setEnabled(m_enable && writable);
    return m_widget;
}

QWidget* ToolPageWidgetItem::createBooleanEditor(INode* node, bool& ok)
{
    bool readable = false;
    bool writable = false;
    bool value = false;
    const GenApiOutcome outcome = genApiCall(kTag, [&] {
        CBooleanPtr boolean(node);
        if (!boolean.IsValid())
            return;
        const EAccessMode mode = boolean->GetAccessMode();
        readable = isReadable(mode);
        if (!readable)
            return;
        writable = isWritable(mode);
        value = boolean->GetValue(false, false);
    });
    if (outcome != GenApiOutcome::Done)
        return m_widget;
    if (!readable) {
        ok = false;
        return m_widget;
    }

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
    m_widget->setEnabled(m_enable && writable);
    return m_widget;
}

QWidget* ToolPageWidgetItem::createCommandEditor(INode* node, bool& ok)
{
    bool valid = false;
    bool writable = false;
    const GenApiOutcome outcome = genApiCall(kTag, [&] {
        CCommandPtr command(node);
        valid = command.IsValid();
        if (valid)
            writable = isWritable(command->GetAccessMode());
    });
    if (outcome != GenApiOutcome::Done || !valid)
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

QWidget* ToolPageWidgetItem::createFloatEditor(INode* node, bool& ok)
{
    const bool update = m_widget != nullptr;
    bool readable = false;
    bool writable = false;
    double value = 0, minimum = 0, maximum = 0, step = kDefaultFloatStep;
    const GenApiOutcome outcome = genApiCall(kTag, [&] {
        CFloatPtr floating(node);
        if (!floating.IsValid())
            return;
        const EAccessMode mode = floating->GetAccessMode();
        readable = isReadable(mode);
        if (!readable)
            return;
        writable = isWritable(mode);
        if (update) {
            value = floating->GetValue(false, false);
            minimum = floating->GetMin();
            maximum = floating->GetMax();
        } else {
            // A new editor takes its figures in single precision.
            value = static_cast<float>(floating->GetValue(true, true));
            minimum = static_cast<float>(floating->GetMin());
            maximum = static_cast<float>(floating->GetMax());
            if (floating->HasInc() && floating->GetIncMode() == fixedIncrement)
                step = static_cast<float>(floating->GetInc());
            else
                step = static_cast<float>(kDefaultFloatStep);
        }
    });
    if (outcome != GenApiOutcome::Done)
        return m_widget;
    if (!readable) {
        ok = false;
        return m_widget;
    }

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
        spinBox->setFixedHeight(kEditorHeight);
        spinBox->setMinimumWidth(kEditorMinimumWidth);
        spinBox->setMinimum(minimum);
        spinBox->setMaximum(maximum);
        spinBox->setSingleStep(step);
        spinBox->setValue(value);
        spinBox->setContextMenuPolicy(Qt::NoContextMenu);
        spinBox->setProperty(kPreValue, QVariant(static_cast<float>(value)));
        WheelGuard::install(spinBox);
        connect(spinBox, &QAbstractSpinBox::editingFinished, this, &ToolPageWidgetItem::onFloatParamChanged);
        m_widget = spinBox;
    }
    ok = true;
    m_widget->setEnabled(m_enable && writable);
    return m_widget;
}

QString ToolPageWidgetItem::entryText(const QString& entry) const
{
    return m_languageType == LanguageChinese ? chineseEntryText(entry, entry) : entry;
}

QWidget* ToolPageWidgetItem::createEnumerationEditor(INode* node, bool& ok)
{
    bool readable = false;
    bool writable = false;
    QString current;
    QStringList entries;
    const GenApiOutcome outcome = genApiCall(kTag, [&] {
        CEnumerationPtr enumeration(node);
        if (!enumeration.IsValid())
            return;
        const EAccessMode mode = enumeration->GetAccessMode();
        readable = isReadable(mode);
        if (!readable)
            return;
        writable = isWritable(mode);
        current = QString::fromUtf8(enumeration->ToString(false, false).c_str());
        StringList_t symbolics;
        enumeration->GetSymbolics(symbolics);
        for (const gcstring& symbolic : symbolics)
            entries.append(QString::fromUtf8(symbolic.c_str()));
    });
    if (outcome != GenApiOutcome::Done)
        return m_widget;
    if (!readable) {
        ok = false;
        return m_widget;
    }

    for (QString& entry : entries)
        entry = entryText(entry);
    current = entryText(current);

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
    m_widget->setEnabled(m_enable && writable);
    return m_widget;
}

void ToolPageWidgetItem::refresh(bool realTime)
{
    if (realTime) {
        refreshRealTime();
        return;
    }
    if (!m_node)
        return;
    bool ok = false;
    createEditor(m_node, ok);
    if (m_hiddenAuto)
        setHidden(!ok);
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
    const QString value = QString::fromUtf8(text.c_str());

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
        if (m_node && number)
            genApiCall(kTag, [&] { parsed = float(CFloatPtr(m_node)->GetValue(false, false)); });
        if (!number) {
            qCWarning(lcPanel, "Refresh of %s: \"%s\" is not a number, the value stays",
                      qUtf8Printable(m_nodeName), text.c_str());
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

void ToolPageWidgetItem::setLanguageType(int languageType)
{
    if (m_label)
        m_label->setText(textOf(m_titleName, languageType != 0 ? LanguageChinese : LanguageEnglish));

    auto* button = qobject_cast<QPushButton*>(m_widget);
    if (button && !button->text().isEmpty()) {
        button->setText(tr("Execute"));
    } else if (auto* checkList = qobject_cast<CComboBox*>(m_widget)) {
        const QSignalBlocker blocker(checkList);
        const QList<QPair<QString, bool>> items = checkList->items();
        checkList->clear();
        for (const auto& item : items) {
            const QString text = translatedEntry(item.first, languageType);
            checkList->addItem(text, item.second, text);
        }
    } else if (auto* comboBox = qobject_cast<QComboBox*>(m_widget)) {
        const QSignalBlocker blocker(comboBox);
        QStringList texts;
        for (int i = 0; i < comboBox->count(); ++i)
            texts.append(translatedEntry(comboBox->itemText(i), languageType));
        const int current = comboBox->currentIndex();
        comboBox->clear();
        comboBox->addItems(texts);
        comboBox->setCurrentIndex(current);
    }
    m_languageType = languageType;
}

void ToolPageWidgetItem::setEnable(bool enable)
{
    if (!m_widget)
        return;
    m_enable = enable;
    // A node's editor stays disabled while the node cannot be written.
    m_widget->setEnabled(enable && (!m_node || nodeWritable()));
}

bool ToolPageWidgetItem::nodeWritable() const
{
    bool writable = false;
    genApiCall(kTag, [&] { writable = isWritable(m_node->GetAccessMode()); });
    return writable;
}

QString ToolPageWidgetItem::descriptionName(int index) const
{
    return m_descriptionName.value(index);
}

QString ToolPageWidgetItem::titleName(int index) const
{
    return m_titleName.value(index);
}

namespace {

// Reports a write that GenApi refused: the log line names the feature and
// the device's reason.
auto writeFailureLogger(const QString& nodeName)
{
    return [nodeName](const GenICam::GenericException& e) { logRefusedWrite(kTag, nodeName, e); };
}

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

// Writes a numeric editor's value through write(value), which returns what
// the device holds afterwards. Written: the box shows that value, loses the
// focus and remembers its value as accepted. Refused by GenApi: the box goes
// back to its last accepted value. Returns whether the value was written.
template <class SpinBox, class Write>
bool writeSpinBox(SpinBox* spinBox, const QString& nodeName, Write write)
{
    const auto value = spinBox->value();
    auto readBack = value;
    const GenApiOutcome outcome = genApiCall(
        kTag, [&] { readBack = write(value); }, writeFailureLogger(nodeName));
    if (outcome == GenApiOutcome::Done)
        logWritten(nodeName);

    const QSignalBlocker blocker(spinBox);
    if (outcome == GenApiOutcome::Done) {
        spinBox->setValue(readBack);
        // Losing the focus ends editing again; the value is written already.
        spinBox->clearFocus();
        spinBox->setProperty(kPreValue, QVariant(value));
        return true;
    }
    if (outcome == GenApiOutcome::GenericError)
        spinBox->setValue(preValueOf(spinBox));
    return false;
}

} // namespace

void ToolPageWidgetItem::onIntParamChanged()
{
    auto* spinBox = qobject_cast<QSpinBox*>(sender());
    if (!spinBox || !m_node)
        return;
    const bool written = writeSpinBox(spinBox, m_nodeName, [this](int value) {
        CIntegerPtr integer(m_node);
        integer->SetValue(value, true);
        return narrow(integer->GetValue(true, true));
    });
    if (written)
        emit valueChanged(QVariant());
}

void ToolPageWidgetItem::onFloatParamChanged()
{
    auto* spinBox = qobject_cast<QDoubleSpinBox*>(sender());
    if (!spinBox || !m_node)
        return;
    const bool written = writeSpinBox(spinBox, m_nodeName, [this](double value) {
        CFloatPtr floating(m_node);
        floating->SetValue(value, true);
        return floating->GetValue(true, true);
    });
    if (written)
        emit valueChanged(QVariant());
}

void ToolPageWidgetItem::onBoolParamChanged()
{
    auto* button = qobject_cast<SwitchButton*>(sender());
    if (!button || !m_node)
        return;
    // The switch has flipped itself already.
    const bool on = button->isSwitchOn();
    const GenApiOutcome outcome = genApiCall(
        kTag,
        [&] {
            CBooleanPtr boolean(m_node);
            boolean->SetValue(on, true);
            QThread::msleep(kReadBackPauseMs);
            boolean->GetValue(true, true);
        },
        writeFailureLogger(m_nodeName));
    if (outcome == GenApiOutcome::Done) {
        logWritten(m_nodeName);
        emit valueChanged(QVariant());
    }
}

void ToolPageWidgetItem::onEnumParamChanged(const QString& value)
{
    if (!m_node)
        return;
    // The combo box may show Chinese texts; the device takes entry names.
    const QString entry = englishEntryText(value, value);
    const GenApiOutcome outcome = genApiCall(
        kTag,
        [&] {
            CEnumerationPtr enumeration(m_node);
            enumeration->FromString(gcstring(toStd(entry).c_str()), true);
            QThread::msleep(kReadBackPauseMs);
            enumeration->GetIntValue(true, true);
        },
        writeFailureLogger(m_nodeName));
    if (outcome != GenApiOutcome::Done)
        return;
    logWritten(m_nodeName);
    if (auto* comboBox = qobject_cast<QWidget*>(sender()))
        comboBox->clearFocus();
    emit valueChanged(QVariant());
}

void ToolPageWidgetItem::onCommandParamChanged()
{
    if (!m_node)
        return;
    const GenApiOutcome outcome = genApiCall(
        kTag, [&] { CCommandPtr(m_node)->Execute(true); }, writeFailureLogger(m_nodeName));
    if (outcome == GenApiOutcome::Done) {
        logWritten(m_nodeName);
        emit valueChanged(QVariant());
    }
}

void ToolPageWidgetItem::mousePressEvent(QMouseEvent* event)
{
    m_showColor = m_pressColor;
    update();
    QWidget::mousePressEvent(event);
    emit itemClicked();
}

void ToolPageWidgetItem::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
}

void ToolPageWidgetItem::enterEvent(QtCompat::EnterEvent* event)
{
    m_showColor = m_hoverColor;
    update();
    QWidget::enterEvent(event);
}

void ToolPageWidgetItem::leaveEvent(QEvent* event)
{
    m_showColor = m_standColor;
    // Repainted only once the cursor is really outside the row.
    if (!rect().contains(mapFromGlobal(QCursor::pos())))
        update();
    QWidget::leaveEvent(event);
}

void ToolPageWidgetItem::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), m_showColor);
    QWidget::paintEvent(event);
}

void ToolPageWidgetItem::showEvent(QShowEvent* event)
{
    refresh(false);
    QWidget::showEvent(event);
}

void ToolPageWidgetItem::resizeEvent(QResizeEvent* event)
{
    if (m_label)
        m_label->setFixedWidth(qMax(0, width() / 2 - 20));
    QWidget::resizeEvent(event);
}
