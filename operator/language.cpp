#include "operator/language.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>

#include <algorithm>

// The compiled translations live in this library; naming their resource here keeps the linker from
// dropping it.
static void initTranslationResources() { Q_INIT_RESOURCE(rx48p_station_i18n); }

namespace op {

namespace {

const QString english = QStringLiteral("en");
const QString prefix = QStringLiteral("rx48p-station_");

QString compiledFile(const QString& code) {
    return QStringLiteral(":/i18n/") + prefix + code + QStringLiteral(".qm");
}

// "fr" for "fr-CH", "fr_FR" or "fr"; empty for what names no language.
QString codeOf(const QString& uiLanguage) {
    const QLocale l(uiLanguage);
    if (l.language() == QLocale::C)
        return QString();
    return l.name().section(QLatin1Char('_'), 0, 0);
}

QString qtTranslationsPath() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}

}  // namespace

QStringList windowLanguages() {
    initTranslationResources();
    QStringList codes{english};
    const QStringList files =
        QDir(QStringLiteral(":/i18n")).entryList({prefix + QStringLiteral("*.qm")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        const QString code = file.mid(prefix.size()).chopped(3);
        if (!code.isEmpty() && !codes.contains(code))
            codes << code;
    }
    std::sort(codes.begin(), codes.end());
    return codes;
}

QString languageName(const QString& code) {
    // Qt's locale data calls plain "en" American English; the window's English is everyone's.
    if (code == english)
        return QStringLiteral("English");
    QString name = QLocale(code).nativeLanguageName();
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name.isEmpty() ? code : name;
}

QString languageProblem(const QString& code) {
    const QStringList have = windowLanguages();
    if (have.contains(code))
        return QString();
    return QStringLiteral("no language '%1'; there are %2").arg(code, have.join(QStringLiteral(", ")));
}

QString pickLanguage(const QString& given, const QString& remembered, const QStringList& uiLanguages) {
    const QStringList have = windowLanguages();
    if (have.contains(given))
        return given;
    if (have.contains(remembered))
        return remembered;
    for (const QString& ui : uiLanguages) {
        const QString code = codeOf(ui);
        if (have.contains(code))
            return code;
    }
    return english;
}

QLocale localeFor(const QString& code, const QLocale& system) {
    if (codeOf(system.name()) == code)
        return system;
    return QLocale(code);
}

window_language::window_language(const QString& code, const QLocale& system) : before(QLocale()) {
    QLocale::setDefault(localeFor(code, system));
    if (code == english)
        return;  // the sources' own texts, and Qt's
    initTranslationResources();
    if (ours.load(compiledFile(code)))
        QCoreApplication::installTranslator(&ours);
    if (qts.load(QStringLiteral("qtbase_") + code, qtTranslationsPath()))
        QCoreApplication::installTranslator(&qts);
}

// The translators take themselves out of the application as they go.
window_language::~window_language() {
    QLocale::setDefault(before);
}

}  // namespace op
