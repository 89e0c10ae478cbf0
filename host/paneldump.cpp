#include "paneldump.h"

#include "printable.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTextStream>

namespace {

// The panel's classes are the library's own; the dump knows them by name.
bool isA(const QObject* object, const char* className)
{
    return qstrcmp(object->metaObject()->className(), className) == 0;
}

QList<QWidget*> childrenOfClass(QWidget* parent, const char* className)
{
    QList<QWidget*> found;
    for (QWidget* child : parent->findChildren<QWidget*>()) {
        if (isA(child, className))
            found << child;
    }
    return found;
}

// The widgets of a layout, in layout order, nested layouts included.
void widgetsOf(const QLayout* layout, QList<QWidget*>& widgets)
{
    for (int index = 0; layout && index < layout->count(); ++index) {
        QLayoutItem* item = layout->itemAt(index);
        if (item->widget())
            widgets << item->widget();
        else if (item->layout())
            widgetsOf(item->layout(), widgets);
    }
}

QString comboText(const QComboBox* combo)
{
    // A check-list shows its ticked entries.
    QStringList checked;
    bool checkList = false;
    for (int row = 0; row < combo->count(); ++row) {
        const QVariant state = combo->itemData(row, Qt::CheckStateRole);
        if (!state.isValid())
            continue;
        checkList = true;
        if (state.toInt() == Qt::Checked)
            checked << combo->itemText(row);
    }
    return checkList ? checked.join(QStringLiteral("、")) : combo->currentText();
}

// What a control shows; empty for a widget that shows no value.
QString controlText(QWidget* control, bool chinese)
{
    if (auto* spinBox = qobject_cast<QAbstractSpinBox*>(control))
        return spinBox->text();
    if (auto* combo = qobject_cast<QComboBox*>(control))
        return comboText(combo);
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        const QVariant on = button->property("switchOn");
        if (on.isValid())
            return on.toBool() ? (chinese ? QStringLiteral("开") : QStringLiteral("on"))
                               : (chinese ? QStringLiteral("关") : QStringLiteral("off"));
        return button->text();
    }
    // A switch inside its container.
    QStringList texts;
    QList<QWidget*> inner;
    widgetsOf(control->layout(), inner);
    for (QWidget* widget : qAsConst(inner))
        texts << controlText(widget, chinese);
    texts.removeAll(QString());
    return texts.join(QStringLiteral(", "));
}

// "name: value" of a row, or of any line of a group built the same way.
QString rowLine(QWidget* row, bool chinese)
{
    QList<QWidget*> widgets;
    widgetsOf(row->layout(), widgets);
    QString name;
    QStringList values;
    for (QWidget* widget : qAsConst(widgets)) {
        auto* label = qobject_cast<QLabel*>(widget);
        if (label && name.isNull())
            name = label->text();
        else if (!widget->isHidden())
            values << controlText(widget, chinese);
    }
    values.removeAll(QString());
    return values.isEmpty() ? name : name + QStringLiteral(": ") + values.join(QStringLiteral(", "));
}

QString pageTitle(QWidget* page)
{
    auto* fold = page->findChild<QPushButton*>(QStringLiteral("pushButtonFold"));
    for (QLabel* label : fold ? fold->findChildren<QLabel*>() : QList<QLabel*>()) {
        if (!label->text().isEmpty())
            return label->text();
    }
    return QString();
}

} // namespace

QString dumpShownPanel(QWidget* window, bool chinese)
{
    QWidget* board = nullptr;
    for (QWidget* candidate : window->findChildren<QWidget*>(QStringLiteral("CamBoard"))) {
        if (candidate->isVisibleTo(window)) {
            board = candidate;
            break;
        }
    }
    auto* tabs = board ? board->findChild<QTabWidget*>(QStringLiteral("tabWidget")) : nullptr;
    if (!tabs)
        return QString();

    QString text;
    QTextStream out(&text);
    int rows = 0;
    for (int tab = 0; tab < tabs->count(); ++tab) {
        // Names, entries and values can be the device's texts: one line each.
        out << printableText(tabs->tabText(tab)) << '\n';
        for (QWidget* page : childrenOfClass(tabs->widget(tab), "CToolPage")) {
            // Groups the device has nothing for are hidden.
            if (page->isHidden())
                continue;
            auto* content = page->findChild<QWidget*>(QStringLiteral("widgetContext"));
            const bool folded = content && content->isHidden();
            out << "  " << printableText(pageTitle(page)) << (folded ? " [folded]" : "") << '\n';
            if (folded)
                continue;
            for (QWidget* group : childrenOfClass(page, "ToolPageWidget")) {
                QList<QWidget*> lines;
                widgetsOf(group->findChild<QLayout*>(QStringLiteral("verticalLayout")), lines);
                for (QWidget* line : qAsConst(lines)) {
                    if (line->isHidden())
                        continue;
                    out << "    " << printableText(rowLine(line, chinese)) << '\n';
                    ++rows;
                }
            }
        }
    }
    return rows > 0 ? text : QString();
}
