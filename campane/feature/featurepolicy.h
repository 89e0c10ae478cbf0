#pragma once

#include "featurevalue.h"

// How each view reads and writes a feature, side by side. The views differ on
// purpose (a tree cell shows what GenApi's cache holds; a new panel editor
// asks the device; the panel's spin boxes hold an int), and the differences
// are these values, not separate code paths.
namespace FeaturePolicy {

// A tree cell: GenApi's cache.
ReadPolicy treeCell();
// A tree cell of a feature that changes with the device's timing (a line
// rate): verified, past the cache.
ReadPolicy treeUncached();
// A tree write: verified (a value outside the limits or off the increment
// grid is refused here, instead of reaching the device, which would round or
// clamp it silently), the value before it read as the rollback, read back
// 50 ms later (the device may take that long to apply it). A float goes
// through single precision, an entry's value through 32 bits, as the editors
// have always handed them over; an unknown entry writes nothing.
WritePolicy treeWrite();

// A panel row's number editor: a new one reads the device, in single
// precision for a float; an update reads the cache. Integers keep their low
// 32 bits (a QSpinBox holds an int). The access mode decides whether there is
// an editor at all.
ReadPolicy panelNumber(bool update);
// A panel row's switch or combo box: the cache; an entry as its text.
ReadPolicy panelChoice();
// A number typed into a panel row: verified, read back at once, 32 bits.
WritePolicy panelNumberWrite();
// A switch flipped or an entry chosen: verified, read back 10 ms later; an
// unknown entry is refused.
WritePolicy panelChoiceWrite();

// The region of interest's spin boxes: the cache; written verified, only when
// the feature is writable, without a read-back (the rows read the region
// again when they refresh).
ReadPolicy region();
WritePolicy regionWrite();

} // namespace FeaturePolicy
