#pragma once

// Each file of this test binary runs its own test object.
int runTreeModelTests(int argc, char** argv);
int runFeatureEditDelegateTests(int argc, char** argv);
int runFeatureTreeViewTests(int argc, char** argv);
