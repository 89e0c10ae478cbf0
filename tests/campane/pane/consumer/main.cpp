// Embeds CamPane as a host does, with nothing but the installed package:
// created in code, and placed in a Designer form (uic's ui_viewerform.h).
#include "ui_viewerform.h"

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
    check(!CamPane::tr("Form").isEmpty(), "CamPane::tr gives no text");
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    check(!CamPane::trUtf8("Form").isEmpty(), "CamPane::trUtf8 gives no text");
    QT_WARNING_POP
#endif

    QWidget form;
    Ui::ViewerForm ui;
    ui.setupUi(&form);
    form.show();
    check(ui.camPane != nullptr && ui.camPane->parentWidget() == &form, "the form holds no CamPane");
    check(ui.camPane->metaObject()->className() == QByteArray("CamPane"), "the form's pane is not a CamPane");
    return failures;
}
