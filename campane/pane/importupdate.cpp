#include "importupdate.h"

#include "featuretext.h"

ImportUpdate::ImportUpdate() = default;

void ImportUpdate::ImportUpdated(std::string id)
{
    emit importUpdate(fromStd(id));
}
