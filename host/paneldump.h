#pragma once

#include <QString>

class QWidget;

// The "Param Setting" panel of the board shown now inside `window`, as the
// screen shows it: one line per tab, per group (indented two spaces) and per
// shown row (four spaces), "name: value" for a row, where the value is what
// its controls show (a spin box's text, a combo box's text or its ticked
// entries, a button's text, "on"/"off" of a switch; "开"/"关" when `chinese`).
// A folded group ends with " [folded]" and lists no rows. Empty when the
// shown board has no panel rows.
QString dumpShownPanel(QWidget* window, bool chinese);
