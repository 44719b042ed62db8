#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTranslator>

namespace op {

// The window's languages by code ("de", "en", "fr"), sorted: English, in which the sources are written,
// and each one whose compiled translation is embedded as ":/i18n/rx48p-station_CODE.qm".
QStringList windowLanguages();
// The language's name in that language, as a chooser shows it: "Deutsch", "English", "Français".
QString languageName(const QString& code);
// Empty when the window has `code`, else what is wrong, naming those it has.
QString languageProblem(const QString& code);

// The language of one start: `given` on the command line, else `remembered` from Setup (empty: the
// system's), else the first of the system's `uiLanguages` (QLocale::uiLanguages(), "fr-CH", "de_DE",
// ...) that the window has, else English. A remembered one no longer there counts as none.
QString pickLanguage(const QString& given, const QString& remembered, const QStringList& uiLanguages);

// The locale whose numbers and dates go with `code`: the system's own when it speaks that language (so
// a Swiss French desk keeps its conventions), else the language's main one.
QLocale localeFor(const QString& code, const QLocale& system);

// Our texts and Qt's own (its standard buttons) in `code`, installed in the application from
// construction to destruction, and QLocale's default set to localeFor(code). Made after the
// application and before any widget. Qt's texts are optional: without them, ours still load.
class window_language {
public:
    window_language(const QString& code, const QLocale& system);
    ~window_language();
    window_language(const window_language&) = delete;
    window_language& operator=(const window_language&) = delete;

    bool oursLoaded() const { return !ours.isEmpty(); }
    bool qtsLoaded() const { return !qts.isEmpty(); }

private:
    QTranslator ours;
    QTranslator qts;
    QLocale before;
};

}  // namespace op
