#pragma once

// The few places where Qt 5 and Qt 6 spell the same thing differently, so
// that the widgets build with either.

#include <QtGlobal>

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QEnterEvent>
#else
#include <QEvent>
#endif

namespace QtCompat {

//! The argument of QWidget::enterEvent: QEnterEvent in Qt 6, QEvent in Qt 5.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
using EnterEvent = QEnterEvent;
#else
using EnterEvent = QEvent;
#endif

} // namespace QtCompat
