#include "imagemodeupdate.h"

ImageModeUpdate::ImageModeUpdate() = default;

void ImageModeUpdate::ImageModeUpdated(std::string id, int mode)
{
    emit imageModeChanged(id, mode);
}
