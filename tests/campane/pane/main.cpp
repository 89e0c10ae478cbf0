#include "servicesupport.h"
#include "tests.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ServiceForTests service;
    if (!service.isRunning())
        return 1;
    int failures = 0;
    for (auto run : {runCamBoardManagerTests, runCamPaneTests})
        failures += run(argc, argv);
    return failures;
}
