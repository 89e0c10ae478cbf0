// Feature values as text over a GenApi node map: the one place where the
// service touches nodes, and where every GenApi exception is turned into a
// result code and a message.
#pragma once

#include <functional>
#include <string>

namespace GenApi {
struct INodeMap;
struct INode;
} // namespace GenApi

namespace Corvid {
namespace Internal {

//! The node of that name; a name with '.' that no node has is looked up with
//! '_' instead (GenICam names cannot hold '.': "Left2.5DFront" is the node
//! "Left2_5DFront"). Null when neither exists.
GenApi::INode* findFeature(GenApi::INodeMap* map, const std::string& name);

//! ToString of the feature; booleans as "True"/"False". Returns a
//! RESULT_CODE; on failure *error says why.
int readNodeText(GenApi::INodeMap* map, const std::string& name, std::string& value, std::string* error);

//! FromString with verification; booleans take "1"/"0"/"True"/"False" (any
//! case); a command runs on "" (or "1"/"True"). Returns a RESULT_CODE; on
//! failure *error says why, and *notConfirmed (when given) whether the
//! device did not answer in time (it may still take the value).
int writeNodeText(GenApi::INodeMap* map, const std::string& name, const std::string& value,
                  std::string* error, bool* notConfirmed = nullptr);

//! Runs f() and turns what it throws into a RESULT_CODE and *error; f's own
//! result otherwise. *timedOut (when given) says whether it was a
//! TimeoutException.
int guardGenApi(const std::function<int()>& f, std::string* error, bool* timedOut = nullptr);

} // namespace Internal
} // namespace Corvid
