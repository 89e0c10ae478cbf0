#include "focusupdate.h"

FocusUpdate::FocusUpdate() = default;

void FocusUpdate::FocusUpdated(Corvid::FOCUS_TYPE type, std::string id)
{
    emit focusChanged(type, QString::fromUtf8(id.c_str(), int(id.size())));
}
