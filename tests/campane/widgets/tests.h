#pragma once

// Each file of this test binary runs its own test object.
int runCComboBoxTests(int argc, char** argv);
int runCTabWidgetTests(int argc, char** argv);
int runWheelGuardTests(int argc, char** argv);
int runIconTests(int argc, char** argv);
int runGalleryTests(int argc, char** argv);
