#include "zlanguage.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace {

const QString Russian = QStringLiteral("ru");
const QString English = QStringLiteral("en");

// "ru_RU.UTF-8@euro" → "ru_RU".
QString withoutCodeset(const QString &locale)
{
    return locale.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0).trimmed();
}

bool isPlainC(const QString &locale)
{
    const QString name = withoutCodeset(locale);
    return name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX");
}

} // namespace

QString ZLanguage::choose(const QString &setting, const QString &messagesLocale, const QString &languageList)
{
    const QString chosen = setting.trimmed().toLower();
    if (chosen == Russian || chosen == English)
        return chosen;
    if (isPlainC(messagesLocale))
        return Russian;
    QString name = withoutCodeset(messagesLocale);
    const QString preferred = languageList.section(QLatin1Char(':'), 0, 0).trimmed();
    if (!preferred.isEmpty())
        name = withoutCodeset(preferred);
    return QLocale(name).language() == QLocale::Russian ? Russian : English;
}

QString ZLanguage::fromEnvironment(const QString &setting)
{
    QString locale;
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = qEnvironmentVariable(variable);
        if (!locale.isEmpty())
            break;
    }
    return choose(setting, locale, qEnvironmentVariable("LANGUAGE"));
}

bool ZLanguage::install(const QString &language)
{
    if (language == Russian)
        return true;
    // Lives as long as the application: the translator must outlast every text it translates.
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral(":/i18n/tarncontrol_%1.qm").arg(language))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
