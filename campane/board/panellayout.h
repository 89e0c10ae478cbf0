#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The output check-list's entry while no kind is checked, and the show-type
// list's entry for showing none.
constexpr const char* kDash = "-";

// A 2D image kind that a structured-light camera can output: the boolean
// feature that switches it and the text the panel shows for it.
struct OutputKind
{
    const char* feature;
    const char* text;
};

// The kinds in panel order: five single-image kinds for the one-projector
// family (model names beginning with "KVX-SLP"), nine left/right kinds for
// the others.
const QList<OutputKind>& outputKinds(bool structuredLight);

// The structured-light cameras' features that the feature tree treats
// apart: the working mode decides which features exist at all (its write
// refilters the whole tree), and the sine and cosine tables hold fractions of
// one (edited with six decimals).
QStringList wholeTreeFeatures();
QStringList fineFloatFeatures();

// The image view's show mode for a kind's English text; 0 for any other text
// ("-" among them).
int showModeOf(const QString& kindText);
