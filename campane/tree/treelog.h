#pragma once

#include <QLoggingCategory>

// Messages of the feature tree. Debug messages (one per item while a tree is
// built, one per refused value) are off unless enabled, e.g. with
// QT_LOGGING_RULES="campane.tree.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcFeatureTree)
