// The camera service speaks UTF-8 std::string; the window speaks QString.
#pragma once

#include <QString>

#include <string>

inline std::string toStd(const QString& text)
{
    return text.toUtf8().toStdString();
}

inline QString fromStd(const std::string& text)
{
    return QString::fromUtf8(text.c_str(), int(text.size()));
}
