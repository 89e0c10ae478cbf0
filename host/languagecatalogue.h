#pragma once

#include <QString>
#include <QTranslator>

// The Qt translation catalogues of the window's fixed texts (the boards'
// "Param Setting", "All Attribute", ... and camview's own menus).
//
// For Chinese it looks for "campane_zh_CN.qm" and "camview_zh_CN.qm" in the
// "translations" folder beside the program and in the resources under
// ":/i18n"; whatever it finds is installed, and English removes them again.
// Without a catalogue the English source texts show. It must be switched
// before the camera service announces the language, so that the boards
// retranslate with the new catalogue.
class LanguageCatalogue
{
public:
    LanguageCatalogue();
    ~LanguageCatalogue();

    //! "English" or "Chinese".
    void use(const QString& language);

private:
    void removeAll();

    QTranslator m_paneTranslator;
    QTranslator m_hostTranslator;
    bool m_installed = false;
};
