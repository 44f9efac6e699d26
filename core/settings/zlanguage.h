#ifndef ZLANGUAGE_H
#define ZLANGUAGE_H

#include <QString>

// The language of the program's texts. Russian is the texts' own language and stays the
// default: on a Russian desktop and in the C/POSIX locale that services run in, so that what a
// service or a script sees does not change. Any other desktop language gets English. The
// settings file's "Language" ("ru", "en", or empty for the desktop's) overrides both. The
// device's own texts (LCD lines, register names) are never translated.
class ZLanguage
{
public:
    // "ru" or "en". `messagesLocale` is the locale messages are shown in (LC_ALL, LC_MESSAGES or
    // LANG, whichever is set first, as "en_US.UTF-8"); `languageList` the LANGUAGE variable
    // ("de:en"), which names the language only outside the C/POSIX locale.
    static QString choose(const QString &setting, const QString &messagesLocale, const QString &languageList);
    // choose() for the process's environment and the settings file's "Language".
    static QString fromEnvironment(const QString &setting);
    // Installs the translation for `language` on the application; false when it has none
    // embedded ("ru" needs none and is always true).
    static bool install(const QString &language);
};

#endif // ZLANGUAGE_H
