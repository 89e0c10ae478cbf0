#pragma once

#include <QString>

// Device and file texts on their way to a terminal or a text file: every
// control character (C0 with tab and line ends, DEL, C1) becomes a visible
// escape ("\x1b", "\u009b"), so that a name cannot start a line of its own or
// command the terminal. Other characters stay as they are.
QString printableText(const QString& text);

// A tool tip of device or log texts: Qt shows a tool tip that looks like
// markup as rich text, so such a text is converted to show as it is.
QString plainToolTip(const QString& text);
