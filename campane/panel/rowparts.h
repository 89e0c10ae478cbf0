#pragma once

// What the two source files of ToolPageWidgetItem share: the row's sizes and
// style sheets, and the switch's container.

class QWidget;
class SwitchButton;

namespace RowParts {

constexpr const char* kTag = "ToolPageWidgetItem";
// The property in which a spin box keeps its last accepted value.
constexpr const char* kPreValue = "preValue";

constexpr const char* kSwitchContainerStyle =
    "#widget{background: none;}QPushButton{background: none;border: none;}";
constexpr const char* kCommandStyle = "QPushButton{border: 1px solid rgb(55,56,58,60%);border-radius: 2px;}"
                                      "QPushButton::hover{background-color: rgb(216, 216, 216);}"
                                      "QPushButton::pressed{background-color: rgb(180, 180, 180);}"
                                      "QPushButton::disabled{border: 1px solid #CCCCCC;color: #CCCCCC;}";
constexpr const char* kComboStyle = "QComboBox QAbstractItemView::item {height: 50px;}";

// After a write the device has not confirmed: how often the row reads its
// value again, and for how long at most (the device's write deadline, 2.5 s,
// and a ping after it).
constexpr int kSettlePollMs = 100;
constexpr int kSettleWatchMs = 4000;
constexpr int kRowHeight = 40;
constexpr int kEditorHeight = 34;
constexpr int kEditorMinimumWidth = 150;
constexpr int kSwitchWidth = 44;
constexpr int kSwitchHeight = 20;

// The switch in a container that keeps it at the row's right end.
QWidget* createSwitchContainer(QWidget* parent, SwitchButton* button);

} // namespace RowParts
