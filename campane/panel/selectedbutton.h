#pragma once

#include <QPushButton>

// A latching selection button: every click flips its selected flag, before
// any owner's handler of clicked() runs. Selected, it is filled green.
class SelectedButton : public QPushButton
{
public:
    explicit SelectedButton(QWidget* parent = nullptr);

    void setSelected(bool selected);
    bool isSelected() const { return selected; }

private:
    bool selected = false;
};
