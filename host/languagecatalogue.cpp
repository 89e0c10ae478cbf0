#include "languagecatalogue.h"

#include <QCoreApplication>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcCatalogue, "camview.translations", QtInfoMsg)

namespace {

bool loadCatalogue(QTranslator& translator, const QString& name)
{
    const QStringList folders = {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                                 QStringLiteral(":/i18n")};
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
