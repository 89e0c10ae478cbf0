#include "featurepolicy.h"

namespace FeaturePolicy {

ReadPolicy treeCell()
{
    return ReadPolicy();
}

ReadPolicy treeUncached()
{
    ReadPolicy policy;
    policy.verify = true;
    policy.ignoreCache = true;
    return policy;
}

WritePolicy treeWrite()
{
    WritePolicy policy;
    policy.settleMs = 50;
    policy.readRollback = true;
    policy.floatWidth = FloatWidth::Single;
    policy.entryWidth = IntegerWidth::Low32;
    return policy;
}

ReadPolicy panelNumber(bool update)
{
    ReadPolicy policy;
    policy.verify = !update;
    policy.ignoreCache = !update;
    policy.checkAccess = true;
    policy.integerWidth = IntegerWidth::Low32;
    policy.floatWidth = update ? FloatWidth::Double : FloatWidth::Single;
    return policy;
}

ReadPolicy panelChoice()
{
    ReadPolicy policy;
    policy.checkAccess = true;
    policy.entryAsString = true;
    return policy;
}

WritePolicy panelNumberWrite()
{
    WritePolicy policy;
    policy.integerWidth = IntegerWidth::Low32;
    return policy;
}

WritePolicy panelChoiceWrite()
{
    WritePolicy policy;
    policy.settleMs = 10;
    policy.entryFromString = true;
    return policy;
}

ReadPolicy region()
{
    return ReadPolicy();
}

WritePolicy regionWrite()
{
    WritePolicy policy;
    policy.checkAccess = true;
    policy.readBack = false;
    return policy;
}

} // namespace FeaturePolicy
