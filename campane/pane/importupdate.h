#pragma once

#include "panemetatypes.h"

#include <QObject>
#include <QString>

// Receives the host's import notices (a device's parameters were loaded from
// a file) and re-emits them as `importUpdate`.
class ImportUpdate : public QObject, public Corvid::IImportUpdate
{
    Q_OBJECT

public:
    ImportUpdate();

    void ImportUpdated(std::string id) override;

signals:
    void importUpdate(QString id);
};
