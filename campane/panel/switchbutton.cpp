#include "switchbutton.h"

#include "resources.h"

namespace {

const char* const kOnStyle =
    "QPushButton{border: none;image: url(:/Resources/icon/switch/switchON.png);}"
    "QPushButton::disabled{border: none;image: url(:/Resources/icon/switch/switchON-disable.png);}";
const char* const kOffStyle =
    "QPushButton{border: none;image: url(:/Resources/icon/switch/switchOFF.png);}"
    "QPushButton::disabled{border: none;image: url(:/Resources/icon/switch/switchOFF-disable.png);}";

} // namespace

SwitchButton::SwitchButton(QWidget* parent) : QPushButton(parent)
{
    initCampaneResources();
    setSwitchOn(false);
    // Connected first, so that every later handler of clicked() sees the
    // switch in its new state.
    connect(this, &QAbstractButton::clicked, this, [this] { setSwitchOn(!switchOn); });
}

void SwitchButton::setSwitchOn(bool on)
{
    switchOn = on;
    setStyleSheet(QLatin1String(on ? kOnStyle : kOffStyle));
}
