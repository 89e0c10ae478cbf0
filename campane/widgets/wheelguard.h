#pragma once

#include <QObject>

class QWidget;

// Keeps the mouse wheel and the context menu away from the library's editors.
//
// A wheel turned over a spin box or a combo box changes nothing; it is passed
// on to the parent, so that a scrollable panel scrolls instead of values
// changing under the pointer. Spin boxes and line edits open no context menu.
// The guard is one event filter shared by every guarded widget; it touches no
// widget that the library did not guard, so the host's own editors keep the
// toolkit's behaviour.
class WheelGuard : public QObject
{
    Q_OBJECT

public:
    // Guards one widget (a spin box, a combo box or a line edit; other widgets
    // are left alone). Installing twice is harmless.
    static void install(QWidget* widget);

    // Guards `root` and every spin box, combo box and line edit below it.
    static void installRecursively(QWidget* root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WheelGuard(QObject* parent);
    static WheelGuard* instance();
};
