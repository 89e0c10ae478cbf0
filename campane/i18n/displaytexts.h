#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// Display texts of the panel in its two languages.
//
// A language index is an int: 0 English, 1 Chinese. A bilingual text pair is
// a QStringList holding the English text at index 0 and the Chinese text at
// index 1.

enum LanguageType : int
{
    LanguageEnglish = 0,
    LanguageChinese = 1,
};

// The text of a bilingual pair in a language; empty when the pair is shorter.
QString textOf(const QStringList& pair, int language);

// Enumeration entry names and 2D image kinds, English name to Chinese text.
const QMap<QString, QString>& entryTextsZh();

// The reverse map, Chinese text to English name. Some Chinese texts stand for
// more than one English name; each maps to the name the device is written
// with (for instance "高精度" to "SuperPrecise").
const QMap<QString, QString>& entryTextsEn();

// Chinese text of an English entry name, or `fallback` when there is none.
QString chineseEntryText(const QString& english, const QString& fallback = QString());

// English entry name of a Chinese text, or `fallback` when there is none.
QString englishEntryText(const QString& chinese, const QString& fallback = QString());
