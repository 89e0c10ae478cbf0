#pragma once

// Registers the library's embedded icons (":/Resources/icon/...").
//
// The icons live in a static library whose resource initializer the linker
// may drop, so every widget that shows them calls this from its constructor.
// Cheap after the first call.
void initCampaneResources();
