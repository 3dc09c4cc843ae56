#include "platform/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace {

void installFrom(const QLocale &locale, const QString &name, const QString &directory)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(locale, name, u"_"_s, directory))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace

void Translations::install(const QLocale &locale)
{
    // Qt's own texts (a line edit's context menu, for one) come from the
    // system's Qt translations, where those are installed.
    installFrom(locale, u"qtbase"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    // The program's own are built into it. Installed last, so searched first.
    installFrom(locale, u"brisvane"_s, u":/i18n"_s);
}
