#include "featurepolicy.h"

namespace FeaturePolicy {

ReadPolicy treeCell()
{
    return ReadPolicy();
}

ReadPolicy treeUncached()
{
    return ReadPolicy().fresh();
}

WritePolicy treeWrite()
{
    return WritePolicy().withRollback().settled(50).widths(IntegerWidth::Full, IntegerWidth::Low32,
                                                           FloatWidth::Single);
}

ReadPolicy panelNumber(bool update)
{
    return ReadPolicy().fresh(!update).accessChecked().widths(
        IntegerWidth::Low32, update ? FloatWidth::Double : FloatWidth::Single);
}

ReadPolicy panelChoice()
{
    return ReadPolicy().accessChecked().entryText();
}

WritePolicy panelNumberWrite()
{
    return WritePolicy().widths(IntegerWidth::Low32, IntegerWidth::Full, FloatWidth::Double);
}

WritePolicy panelChoiceWrite()
{
    return WritePolicy().settled(10).entryFromText();
}

ReadPolicy region()
{
    return ReadPolicy();
}

WritePolicy regionWrite()
{
    return WritePolicy().accessChecked().withoutReadBack();
}

} // namespace FeaturePolicy
