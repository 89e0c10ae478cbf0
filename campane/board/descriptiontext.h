#pragma once

#include <QString>

namespace GenApi {
struct INode;
}

// The HTML text that the board's description pane shows for a feature: its
// name and description, four node properties, the limits and unit of a
// numeric feature, and one block per entry of an enumeration.
//
// Building stops quietly at the first GenApi exception; the text gathered up
// to that point is returned. A null node gives an empty text.
QString featureDescriptionHtml(GenApi::INode* node);
