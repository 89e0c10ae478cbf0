#pragma once

#include "panemetatypes.h"

#include <QObject>

// Receives the host's language name and re-emits it as a language index:
// 0 for "English", 1 for any other language.
class LanguageUpdate : public QObject, public Corvid::ILangUpdate
{
    Q_OBJECT

public:
    LanguageUpdate();

    void LangUpdated(std::string language) override;

signals:
    void languageChanged(int language);
};
