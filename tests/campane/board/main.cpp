#include "tests.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    for (auto run : {runDescriptionTextTests, runCamBoardTests})
        failures += run(argc, argv);
    return failures;
}
