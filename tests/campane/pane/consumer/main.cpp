// Embeds CamPane as a host does, with nothing but the installed package.
#include <campane.h>

#include <QApplication>
#include <QVBoxLayout>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* pane = new CamPane(&window);
    layout->addWidget(pane);
    window.show();

    int failures = 0;
    auto check = [&failures](bool ok, const char* what) {
        if (!ok) {
            std::fprintf(stderr, "consumer: %s\n", what);
            ++failures;
        }
    };
    check(qobject_cast<CamPane*>(static_cast<QObject*>(pane)) == pane, "qobject_cast fails");
    pane->setDefaultCamPaneMode(1);
    pane->setParamterViewDisable(QStringLiteral("no-such-camera"));
    pane->setPanelWidgetVisiable(false);
    pane->setAllDetailWidgetVisiable(false);
    check(!pane->isVisible(), "both tabs off leave the pane shown");
    pane->setAllDetailWidgetVisiable(true);
    check(pane->isVisible(), "a tab on leaves the pane hidden");
    return failures;
}
