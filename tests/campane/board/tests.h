#pragma once

// Each file of this test binary runs its own test object.
int runDescriptionTextTests(int argc, char** argv);
int runCamBoardTests(int argc, char** argv);
