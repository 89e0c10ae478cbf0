#include "roiupdate.h"

#include "camboardmanager.h"

ROIUpdate::ROIUpdate(CamBoardManager* manager) : m_manager(manager) {}

void ROIUpdate::ROIDrawUpdated(std::string id, int leftX, int leftY, int rightX, int rightY, int operation,
                               int& roiId, bool& status)
{
    m_manager->onROIPosChanged(id, leftX, leftY, rightX, rightY, operation, roiId, status);
}
