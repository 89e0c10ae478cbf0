#pragma once

#include "panemetatypes.h"

#include <QObject>
#include <QString>

// Receives the host's focus changes and re-emits them as `focusChanged`.
class FocusUpdate : public QObject, public Corvid::IFocusUpdate
{
    Q_OBJECT

public:
    FocusUpdate();

    void FocusUpdated(Corvid::FOCUS_TYPE type, std::string id) override;

signals:
    void focusChanged(Corvid::FOCUS_TYPE type, QString id);
};
