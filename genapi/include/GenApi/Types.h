// GenApi enumerations and list types, with the numeric values of GenApi 3.x.
#pragma once

#include <Base/GCString.h>

#include <cstdint>
#include <vector>

namespace GenApi {

using GenICam::gcstring;
using GenICam::gcstring_vector;

enum EAccessMode
{
    NI, //!< not implemented
    NA, //!< not available
    WO, //!< write only
    RO, //!< read only
    RW, //!< read and write
    _UndefinedAccesMode,
    _CycleDetectAccesMode
};

enum EVisibility
{
    Beginner = 0,
    Expert = 1,
    Guru = 2,
    Invisible = 3,
    _UndefinedVisibility = 99
};

enum ECachingMode
{
    NoCache,
    WriteThrough,
    WriteAround,
    _UndefinedCachingMode
};

enum ERepresentation
{
    Linear,
    Logarithmic,
    Boolean,
    PureNumber,
    HexNumber,
    IPV4Address,
    MACAddress,
    _UndefinedRepresentation
};

enum EEndianess
{
    BigEndian,
    LittleEndian,
    _UndefinedEndian
};

enum ENameSpace
{
    Custom,
    Standard,
    _UndefinedNameSpace
};

enum EYesNo
{
    No = 0,
    Yes = 1,
    _UndefinedYesNo = 2
};

enum EIncMode
{
    noIncrement,
    fixedIncrement,
    listIncrement
};

enum EDisplayNotation
{
    fnAutomatic,
    fnFixed,
    fnScientific,
    _UndefinedEDisplayNotation
};

enum EInterfaceType
{
    intfIValue,
    intfIBase,
    intfIInteger,
    intfIBoolean,
    intfICommand,
    intfIFloat,
    intfIString,
    intfIRegister,
    intfICategory,
    intfIEnumeration,
    intfIEnumEntry,
    intfIPort
};

enum ELinkType
{
    ctParentNodes,
    ctReadingChildren,
    ctWritingChildren,
    ctInvalidatingChildren,
    ctDependingNodes,
    ctTerminalNodes,
    ctValueChildren,
    ctReadingChildrenOfSelector = ctValueChildren + 1
};

struct INode;
struct IValue;

//! A list of nodes, in the order the node map or the node gives them.
class node_vector : public std::vector<INode*>
{
public:
    using std::vector<INode*>::vector;
};

//! A list of value nodes (the features of a category).
class value_vector : public std::vector<IValue*>
{
public:
    using std::vector<IValue*>::vector;
};

typedef node_vector NodeList_t;
typedef value_vector FeatureList_t;
typedef gcstring_vector StringList_t;
typedef std::vector<int64_t> int64_autovector_t;
typedef std::vector<double> double_autovector_t;

} // namespace GenApi
