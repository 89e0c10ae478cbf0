#pragma once

class QWidget;
class QString;

// Each file of this test binary runs its own test object.
int runCComboBoxTests(int argc, char** argv);
int runCTabWidgetTests(int argc, char** argv);
int runWheelGuardTests(int argc, char** argv);
int runIconTests(int argc, char** argv);

// Writes a picture of `widget` to $CAMPANE_SCREENSHOT_DIR/<name>.png when that
// variable is set, to look at the widget in the state a test left it in.
void keepShot(QWidget* widget, const QString& name);
