#pragma once

class QLocale;

// The program's texts, and Qt's own standard ones, in the user's language.
// Without a translation for that language the English source texts show.
class Translations
{
public:
    // Installs on the running application the translations for the locale's
    // languages, most preferred first; they live as long as the application.
    // Call before the first window is made: widgets read their texts once.
    static void install(const QLocale &locale);
};
