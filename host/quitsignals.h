#pragma once

// SIGINT and SIGTERM end camview as its Quit action does (the window closes,
// the camera service stops), instead of killing it with the devices open.
// Call once, after the application object exists.
void quitOnTerminationSignals();
