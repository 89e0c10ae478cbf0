#include "aravisfakecamera.h"

#include <arv.h>

std::string aravisFakeCameraXml()
{
    ArvFakeCamera* camera = arv_fake_camera_new("NODES0");
    if (!camera)
        return std::string();
    size_t size = 0;
    // The text belongs to the camera: copy it before releasing the camera.
    const char* xml = arv_fake_camera_get_genicam_xml(camera, &size);
    std::string text = xml ? std::string(xml, size) : std::string();
    g_object_unref(camera);
    return text;
}

void enableAravisFakeInterface()
{
    arv_enable_interface("Fake");
    arv_update_device_list();
}
