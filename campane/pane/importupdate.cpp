#include "importupdate.h"

ImportUpdate::ImportUpdate() = default;

void ImportUpdate::ImportUpdated(std::string id)
{
    emit importUpdate(QString::fromUtf8(id.c_str(), int(id.size())));
}
