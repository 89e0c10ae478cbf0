#include "languageupdate.h"

LanguageUpdate::LanguageUpdate() = default;

void LanguageUpdate::LangUpdated(std::string language)
{
    emit languageChanged(language == "English" ? 0 : 1);
}
