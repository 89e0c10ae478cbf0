#include "tests.h"

#include <QApplication>
#include <QPixmap>
#include <QWidget>

void keepShot(QWidget* widget, const QString& name)
{
    const QString dir = qEnvironmentVariable("CAMPANE_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        widget->grab().save(dir + "/" + name + ".png");
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    for (auto run : {runCComboBoxTests, runCTabWidgetTests, runWheelGuardTests, runIconTests})
        failures += run(argc, argv);
    return failures;
}
