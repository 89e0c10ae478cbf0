#pragma once

#include <Corvid/Corvid.h>

class CamBoardManager;

// Receives the image view's ROI drawing events. Unlike the other adapters it
// emits nothing: the event is handled at once, on the caller's thread, by
// the manager (which looks the board up under its mutex).
class ROIUpdate final : public Corvid::IROIDrawUpdate
{
public:
    explicit ROIUpdate(CamBoardManager* manager);

    void ROIDrawUpdated(std::string id, int leftX, int leftY, int rightX, int rightY, int operation,
                        int& roiId, bool& status) override;

private:
    CamBoardManager* m_manager;
};
