#pragma once

#include <QString>

class QWidget;

// The feature tree of the board shown now inside `window`, as text: one line per
// row of the tree's model, indented two spaces per level, "label: value" for
// features and the label alone for categories. Rows the tree hides (above
// the user level, not matching the search, unavailable) end with
// " [hidden]". Empty when the shown board has no feature tree.
QString dumpShownFeatureTree(QWidget* window);
