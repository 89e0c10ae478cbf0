#include "focusupdate.h"

#include "featuretext.h"

FocusUpdate::FocusUpdate() = default;

void FocusUpdate::FocusUpdated(Corvid::FOCUS_TYPE type, std::string id)
{
    emit focusChanged(type, fromStd(id));
}
