#pragma once

#include "panemetatypes.h"

#include <QObject>

// Receives the host's image-mode notices and re-emits them as
// `imageModeChanged`.
class ImageModeUpdate : public QObject, public Corvid::IImageModeUpdate
{
    Q_OBJECT

public:
    ImageModeUpdate();

    void ImageModeUpdated(std::string id, int mode) override;

signals:
    void imageModeChanged(std::string id, int mode);
};
