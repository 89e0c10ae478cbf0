#pragma once

// Each file of this test binary runs its own test object.
int runCamBoardManagerTests(int argc, char** argv);
int runCamPaneTests(int argc, char** argv);
