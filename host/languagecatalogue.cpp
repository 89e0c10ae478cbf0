#include "languagecatalogue.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcCatalogue, "camview.translations", QtInfoMsg)

namespace {

bool loadCatalogue(QTranslator& translator, const QString& name)
{
    // Beside the program in a build tree; installed, camview's own catalogue
    // is in <prefix>/share/camview/translations and the library's in Qt's
    // translations folder (that of the prefix, then the system's).
    const QString programDir = QCoreApplication::applicationDirPath();
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    const QString qtTranslations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    const QString qtTranslations = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
    const QStringList folders = {programDir + QStringLiteral("/translations"),
                                 programDir + QStringLiteral("/../share/camview/translations"),
                                 programDir +
                                     QStringLiteral("/../share/qt%1/translations").arg(QT_VERSION_MAJOR),
                                 qtTranslations, QStringLiteral(":/i18n")};
    for (const QString& folder : folders) {
        if (translator.load(name, folder)) {
            qCInfo(lcCatalogue) << "using" << name << "from" << folder;
            return true;
        }
    }
    qCDebug(lcCatalogue) << "no catalogue" << name << "; the English texts show";
    return false;
}

} // namespace

LanguageCatalogue::LanguageCatalogue() = default;

LanguageCatalogue::~LanguageCatalogue()
{
    removeAll();
}

void LanguageCatalogue::use(const QString& language)
{
    removeAll();
    if (language != QLatin1String("Chinese"))
        return;
    if (loadCatalogue(m_paneTranslator, QStringLiteral("campane_zh_CN")))
        QCoreApplication::installTranslator(&m_paneTranslator);
    if (loadCatalogue(m_hostTranslator, QStringLiteral("camview_zh_CN")))
        QCoreApplication::installTranslator(&m_hostTranslator);
    m_installed = true;
}

void LanguageCatalogue::removeAll()
{
    if (!m_installed)
        return;
    QCoreApplication::removeTranslator(&m_paneTranslator);
    QCoreApplication::removeTranslator(&m_hostTranslator);
    m_installed = false;
}
