#include "selectedbutton.h"

#include "resources.h"

namespace {

const char* const kSelectedStyle = "QPushButton{background-color: rgb(75, 210, 149);border-radius: 2px;}";
const char* const kUnselectedStyle = "QPushButton{border: 1px solid rgb(55,56,58,60%);border-radius: 2px;}"
                                     "QPushButton::hover{background-color: rgb(216, 216, 216);}"
                                     "QPushButton::pressed{background-color: rgb(180, 180, 180);}"
                                     "QPushButton::disabled{border: 1px solid #CCCCCC;color: #CCCCCC;}";

} // namespace

SelectedButton::SelectedButton(QWidget* parent) : QPushButton(parent)
{
    // Owners give it an icon from the embedded set.
    initCampaneResources();
    setSelected(false);
    // Connected first, so that every later handler of clicked() sees the new
    // state.
    connect(this, &QAbstractButton::clicked, this, [this] { setSelected(!selected); });
}

void SelectedButton::setSelected(bool selected)
{
    this->selected = selected;
    setStyleSheet(QLatin1String(selected ? kSelectedStyle : kUnselectedStyle));
}
