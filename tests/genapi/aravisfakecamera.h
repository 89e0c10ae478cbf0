// The GenICam description built into the installed Aravis for its fake
// camera (kept apart: Aravis's headers and Qt's do not mix).
#pragma once

#include <string>

//! Empty when Aravis cannot create its fake camera.
std::string aravisFakeCameraXml();

//! Lets Aravis list and open its in-process fake camera ("Fake_1").
void enableAravisFakeInterface();
