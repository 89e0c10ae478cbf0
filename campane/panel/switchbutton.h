#pragma once

#include <QPushButton>

// An on/off switch drawn by two images. It flips its own state on every
// click, before any owner's handler of clicked() runs, so owners read the new
// state with isSwitchOn().
class SwitchButton : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(bool switchOn READ isSwitchOn)

public:
    explicit SwitchButton(QWidget* parent = nullptr);

    void setSwitchOn(bool on);
    bool isSwitchOn() const { return switchOn; }

private:
    bool switchOn = false;
};
