#include "tests.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    for (auto run :
         {runCComboBoxTests, runCTabWidgetTests, runWheelGuardTests, runIconTests, runGalleryTests})
        failures += run(argc, argv);
    return failures;
}
