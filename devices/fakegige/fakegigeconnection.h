// A fake GigE Vision device serving a description, started, and our
// connection to it: the set-up that tests and benchmarks of one device share.
#pragma once

#include "fakegigedevice.h"

#include <GenApi/DeviceConnection.h>

#include <memory>
#include <string>

//! Gives fake the description (by default FakeGigeDevice::gainDescription()),
//! starts it and opens it through Aravis. Null with the reason in *error.
inline std::unique_ptr<GenApi::CDeviceConnection>
openFakeGige(FakeGigeDevice& fake, std::string* error,
             const std::string& description = FakeGigeDevice::gainDescription())
{
    fake.setDescription(description);
    if (!fake.start(error))
        return nullptr;
    return GenApi::CDeviceConnection::OpenAravis(fake.address(), error);
}
