#include "wheelguard.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>

WheelGuard::WheelGuard(QObject* parent) : QObject(parent) {}

WheelGuard* WheelGuard::instance()
{
    // Owned by the application object, so it goes with it; a later
    // application (as in tests) gets a new one.
    static QPointer<WheelGuard> guard;
    if (!guard)
        guard = new WheelGuard(QCoreApplication::instance());
    return guard;
}

void WheelGuard::install(QWidget* widget)
{
    if (!widget)
        return;
    if (auto* spinBox = qobject_cast<QAbstractSpinBox*>(widget)) {
        spinBox->installEventFilter(instance());
        // The spin box's own text field gets the right click first.
        if (auto* edit = spinBox->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly))
            edit->installEventFilter(instance());
    } else if (auto* comboBox = qobject_cast<QComboBox*>(widget)) {
        comboBox->installEventFilter(instance());
        if (QLineEdit* edit = comboBox->lineEdit())
            edit->installEventFilter(instance());
    } else if (qobject_cast<QLineEdit*>(widget)) {
        widget->installEventFilter(instance());
    }
}

void WheelGuard::installRecursively(QWidget* root)
{
    if (!root)
        return;
    install(root);
    const QList<QWidget*> children = root->findChildren<QWidget*>();
    for (QWidget* child : children)
        install(child);
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Wheel:
        if (qobject_cast<QAbstractSpinBox*>(watched) || qobject_cast<QComboBox*>(watched)) {
            // Handled here, but not accepted: the parent gets the wheel.
            event->ignore();
            return true;
        }
        break;
    case QEvent::ContextMenu:
        if (qobject_cast<QAbstractSpinBox*>(watched) || qobject_cast<QLineEdit*>(watched)) {
            event->accept();
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
