#pragma once

#include <functional>

class QObject;

// Runs `work` on a thread of its own and then `done` on the thread of
// `context` (unless the context is gone by then).
//
// Some camera-service calls (WaitForIdle, RepublishDeviceList) wait until the
// listeners have returned, and the window's device-list listener waits for
// the GUI thread: the GUI thread must keep running its event loop meanwhile.
void runInBackground(QObject* context, std::function<void()> work, std::function<void()> done);
