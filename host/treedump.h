#pragma once

#include <QString>

#include <functional>

class QWidget;

// The feature tree of the board shown now inside `window`, as text: one line per
// row of the tree's model, indented two spaces per level, "label: value" for
// features and the label alone for categories. Rows the tree hides (above
// the user level, not matching the search, unavailable) end with
// " [hidden]". Empty when the shown board has no feature tree.
QString dumpShownFeatureTree(QWidget* window);

// Runs `then` on the GUI thread once the board shown inside `window` has its
// feature tree: at once, unless the board is gathering the tree on a worker
// thread; then when it is done, or after `boundMs` at most.
void whenShownTreeIsFilled(QWidget* window, int boundMs, std::function<void()> then);
