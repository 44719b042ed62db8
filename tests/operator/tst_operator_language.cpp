// The window's languages: every text of the sources translated in every Linguist file, the language of
// a start picked from the command line, Setup and the system, and the window itself in French. The
// suite's system writes numbers the British way and asks for German, then French (LC_ALL, LANGUAGE).

#include "operator_support.h"
#include "program_run.h"

#include "operator/command_line.h"
#include "operator/language.h"
#include "operator/setup_dialog.h"
#include "operator/setup_store.h"
#include "operator/window_texts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QXmlStreamReader>

#include <QtTest>

#include <functional>

using namespace optest;

namespace {

const QString sources = QStringLiteral(RX48P_OPERATOR_SOURCES);

// One message of a Linguist file.
struct ts_message {
    QString context;
    QString source;
    QString comment;
    QString type;          // the translation's: empty when finished, else unfinished, vanished, obsolete
    QStringList forms;     // the translation, or its plural forms
    QString where() const {
        return QStringLiteral("%1: \"%2\"%3").arg(context, source, comment.isEmpty() ? QString() : QStringLiteral(" (") + comment + QLatin1Char(')'));
    }
};

using ts_messages = QMap<QString, ts_message>;  // by context, source and comment

ts_messages readTs(const QString& path, QString& problem) {
    ts_messages found;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        problem = path + QStringLiteral(": ") + file.errorString();
        return found;
    }
    QXmlStreamReader xml(&file);
    QString context;
    ts_message m;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("message"))
            found.insert(m.context + QChar(0x1f) + m.source + QChar(0x1f) + m.comment, m);
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            m = ts_message();
            m.context = context;
        } else if (name == QLatin1String("source")) {
            m.source = xml.readElementText();
        } else if (name == QLatin1String("comment")) {
            m.comment = xml.readElementText();
        } else if (name == QLatin1String("translation")) {
            m.type = xml.attributes().value(QLatin1String("type")).toString();
            // Plural forms as children; a plain translation as the element's text.
            QString text;
            while (!xml.atEnd() && !(xml.readNext() == QXmlStreamReader::EndElement &&
                                     xml.name() == QLatin1String("translation"))) {
                if (xml.isCharacters())
                    text += xml.text();
                else if (xml.isStartElement() && xml.name() == QLatin1String("numerusform"))
                    m.forms << xml.readElementText();
            }
            if (m.forms.isEmpty())
                m.forms << text;
        }
    }
    if (xml.hasError())
        problem = QStringLiteral("%1: line %2: %3").arg(path).arg(xml.lineNumber()).arg(xml.errorString());
    return found;
}

// The placeholders a text fills: %1 … %99 (with or without L) and %n, each once.
QStringList placeholders(const QString& text) {
    static const QRegularExpression marker(QStringLiteral("%L?(\\d{1,2}|n)"));
    QStringList found;
    auto it = marker.globalMatch(text);
    while (it.hasNext()) {
        const QString p = QLatin1Char('%') + it.next().captured(1);
        if (!found.contains(p))
            found << p;
    }
    found.sort();
    if (found.isEmpty())
        found << QStringLiteral("none");
    return found;
}

// The committed Linguist files by language code.
QMap<QString, QString> committedTs() {
    QMap<QString, QString> files;
    const QDir dir(sources + QStringLiteral("/translations"));
    for (const QString& f : dir.entryList({QStringLiteral("rx48p-station_*.ts")}, QDir::Files))
        files.insert(f.mid(14).chopped(3), dir.filePath(f));
    return files;
}

QWidget* buddyOf(QWidget& parent, QWidget& field) {
    for (QLabel* label : parent.findChildren<QLabel*>())
        if (label->buddy() == &field)
            return label;
    return nullptr;
}

QString labelText(QWidget& parent, QWidget& field) {
    auto* label = qobject_cast<QLabel*>(buddyOf(parent, field));
    return label ? label->text() : QStringLiteral("(no label)");
}

// What the Setup dialog of `st`'s window shows; `act` runs while it is open, and Escape closes it.
void whileSetupOpen(fixture& st, const std::function<void(op::setup_dialog&)>& act, bool confirm = false) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<op::setup_dialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen = true;
        act(*dialog);
        QTest::keyClick(dialog, confirm ? Qt::Key_Return : Qt::Key_Escape);
        if (dialog->isVisible())  // a setup refused: no test waits on it
            dialog->reject();
    });
    const bool accepted = st.window->editSetup();
    QVERIFY(seen);
    QCOMPARE(accepted, confirm);
}

}  // namespace

class OperatorLanguageTest : public QObject {
    Q_OBJECT
private slots:
    // Every text of the sources has a finished translation in every language, with its placeholders.
    void everyTextTranslated();
    // Each Linguist file of the sources is compiled into the window; English needs none.
    void languagesEmbedded();
    void pickedFromTheSystem();
    void pickedFromCommandLineAndSetup();
    void badLanguageRefused();
    // The language chosen in Setup is remembered for the next start.
    void chosenInSetup();
    // The window in French: our texts, Qt's buttons and the decimal comma; in English again afterwards.
    void windowInFrench();
    // Each language's longest words in the tiles, the banner and the buttons at 1280 x 800, with one
    // fixture and with four: nothing clipped or elided, by the widgets' own font metrics.
    void nothingClipped_data();
    void nothingClipped();
};

void OperatorLanguageTest::everyTextTranslated() {
    // The texts as the sources have them now, by the same lupdate run as the update target.
    QTemporaryDir dir;
    const QString current = dir.filePath(QStringLiteral("sources.ts"));
    QProcess lupdate;
    lupdate.start(QStringLiteral(RX48P_LUPDATE),
                  QStringList{sources} + QStringLiteral(RX48P_LUPDATE_OPTIONS).split(QLatin1Char('|')) +
                      QStringList{QStringLiteral("-ts"), current});
    QVERIFY2(lupdate.waitForFinished(60000), qPrintable(lupdate.errorString()));
    QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());
    QString problem;
    const ts_messages texts = readTs(current, problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY2(!texts.isEmpty(), "lupdate found no text in the sources");

    const QMap<QString, QString> files = committedTs();
    QVERIFY(files.contains(QStringLiteral("fr")));
    QVERIFY(files.contains(QStringLiteral("de")));
    QStringList wrong;
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        const ts_messages translated = readTs(file.value(), problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        for (auto text = texts.cbegin(); text != texts.cend(); ++text) {
            const ts_message& source = text.value();
            const auto t = translated.constFind(text.key());
            const bool finished = t != translated.cend() && t->type.isEmpty() &&
                                  std::none_of(t->forms.cbegin(), t->forms.cend(), [](const QString& f) { return f.isEmpty(); });
            if (!finished) {
                wrong << QStringLiteral("%1: %2 has no finished translation").arg(file.key(), source.where());
                continue;
            }
            for (const QString& form : t->forms)
                if (placeholders(form) != placeholders(source.source))
                    wrong << QStringLiteral("%1: %2 is translated as \"%3\", with %4 for %5")
                                 .arg(file.key(), source.where(), form, placeholders(form).join(QLatin1Char(' ')),
                                      placeholders(source.source).join(QLatin1Char(' ')));
        }
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(QLatin1Char('\n') + wrong.join(QLatin1Char('\n'))));
}

void OperatorLanguageTest::languagesEmbedded() {
    QStringList expected = committedTs().keys() + QStringList{QStringLiteral("en")};
    expected.sort();
    QCOMPARE(op::windowLanguages(), expected);
    QCOMPARE(op::languageName(QStringLiteral("de")), QStringLiteral("Deutsch"));
    QCOMPARE(op::languageName(QStringLiteral("en")), QStringLiteral("English"));
    QCOMPARE(op::languageName(QStringLiteral("fr")), QStringLiteral("Français"));
    for (const QString& code : expected) {
        const op::window_language language(code, QLocale::system());
        QCOMPARE(language.oursLoaded(), code != QStringLiteral("en"));
    }
}

void OperatorLanguageTest::pickedFromTheSystem() {
    const auto system = [](const QStringList& ui) { return op::pickLanguage(QString(), QString(), ui); };
    QCOMPARE(system({QStringLiteral("fr-CH"), QStringLiteral("en-US")}), QStringLiteral("fr"));
    QCOMPARE(system({QStringLiteral("de_DE")}), QStringLiteral("de"));
    // The first one the window has, English included.
    QCOMPARE(system({QStringLiteral("ja-JP"), QStringLiteral("it-IT"), QStringLiteral("de-AT")}), QStringLiteral("de"));
    QCOMPARE(system({QStringLiteral("en-GB"), QStringLiteral("fr-FR")}), QStringLiteral("en"));
    // A locale the window lacks, or none: English.
    QCOMPARE(system(QLocale(QLocale::Japanese, QLocale::Japan).uiLanguages()), QStringLiteral("en"));
    QCOMPARE(system({}), QStringLiteral("en"));
    QCOMPARE(system(QLocale(QLocale::French, QLocale::Canada).uiLanguages()), QStringLiteral("fr"));
    // This suite's system, from its environment.
    QCOMPARE(system(QLocale::system().uiLanguages()), QStringLiteral("de"));

    // Numbers and dates: the system's own conventions when it speaks the language, else the language's.
    const QLocale swiss(QLocale::French, QLocale::Switzerland);
    QCOMPARE(op::localeFor(QStringLiteral("fr"), swiss), swiss);
    QCOMPARE(op::localeFor(QStringLiteral("fr"), QLocale(QLocale::German, QLocale::Germany)).name(), QStringLiteral("fr_FR"));
    QCOMPARE(op::localeFor(QStringLiteral("de"), QLocale::c()).name(), QStringLiteral("de_DE"));
    QCOMPARE(op::localeFor(QStringLiteral("en"), QLocale::c()).decimalPoint(), QLatin1Char('.'));
}

void OperatorLanguageTest::pickedFromCommandLineAndSetup() {
    const QStringList french{QStringLiteral("fr-FR")};
    // --language over Setup's over the system's.
    QCOMPARE(op::pickLanguage(QStringLiteral("en"), QStringLiteral("de"), french), QStringLiteral("en"));
    QCOMPARE(op::pickLanguage(QString(), QStringLiteral("de"), french), QStringLiteral("de"));
    QCOMPARE(op::pickLanguage(QString(), QString(), french), QStringLiteral("fr"));
    // A remembered language the window no longer has: the system's.
    QCOMPARE(op::pickLanguage(QString(), QStringLiteral("xx"), french), QStringLiteral("fr"));

    const op::launch l =
        op::parseLaunch({QStringLiteral("rx48p-station"), QStringLiteral("--language"), QStringLiteral("de")}, {});
    QVERIFY2(l.error.isEmpty(), qPrintable(l.error));
    QCOMPARE(l.language, QStringLiteral("de"));
    QCOMPARE(op::parseLaunch({QStringLiteral("rx48p-station")}, {}).language, QString());
}

void OperatorLanguageTest::badLanguageRefused() {
    QStringList languages = committedTs().keys() + QStringList{QStringLiteral("en")};
    languages.sort();
    const QString expected = QStringLiteral("--language: no language 'xx'; there are ") + languages.join(QStringLiteral(", "));
    QCOMPARE(op::parseLaunch({QStringLiteral("rx48p-station"), QStringLiteral("--language"), QStringLiteral("xx")}, {}).error,
             expected);
    // A language's locale name is not its code.
    QVERIFY(!op::parseLaunch({QStringLiteral("rx48p-station"), QStringLiteral("--language=fr_FR")}, {}).error.isEmpty());

    // The program refuses it like any bad option, before any window, and its help lists the option.
    const Finished bad = run(QStringLiteral(RX48P_STATION), {QStringLiteral("--language"), QStringLiteral("xx")});
    QCOMPARE(bad.code, 2);
    QVERIFY2(bad.err.startsWith(QStringLiteral("rx48p-station: ") + expected + QLatin1Char('\n')), qPrintable(bad.err));
    QCOMPARE(bad.out, QString());
    const Finished help = run(QStringLiteral(RX48P_STATION), {QStringLiteral("--help")});
    QCOMPARE(help.code, 0);
    QVERIFY2(help.out.contains(QStringLiteral("--language <CODE>")), qPrintable(help.out));
}

void OperatorLanguageTest::chosenInSetup() {
    fixture st;
    st.session->setSetup(st.setupFor(st.dir.filePath(QStringLiteral("board"))));
    QVERIFY(st.show());
    QStringList choices;
    whileSetupOpen(st, [&](op::setup_dialog& d) {
        for (int i = 0; i < d.languageBox().count(); ++i)
            choices << d.languageBox().itemText(i);
        QCOMPARE(d.languageBox().currentIndex(), 0);
        d.languageBox().setFocus();
        QTest::keyClicks(&d.languageBox(), QStringLiteral("Fr"));
    }, true);
    // Each language under its own name, the system's first.
    QCOMPARE(choices.size(), op::windowLanguages().size() + 1);
    QCOMPARE(choices.first(), QStringLiteral("System (Deutsch)"));
    QVERIFY2(choices.indexOf(QStringLiteral("Deutsch")) > 0 &&
                 choices.indexOf(QStringLiteral("Deutsch")) < choices.indexOf(QStringLiteral("English")) &&
                 choices.indexOf(QStringLiteral("English")) < choices.indexOf(QStringLiteral("Français")),
             qPrintable(choices.join(QLatin1Char('|'))));
    const QSettings later(st.remembered.fileName(), QSettings::IniFormat);
    QCOMPARE(op::loadLanguage(later), QStringLiteral("fr"));
    QCOMPARE(op::pickLanguage(QString(), op::loadLanguage(later), QLocale::system().uiLanguages()), QStringLiteral("fr"));

    // Shown again when Setup opens, and back to the system's.
    whileSetupOpen(st, [&](op::setup_dialog& d) {
        QCOMPARE(d.languageBox().currentText(), QStringLiteral("Français"));
        d.languageBox().setFocus();
        QTest::keyClick(&d.languageBox(), Qt::Key_Home);
    }, true);
    QCOMPARE(op::loadLanguage(QSettings(st.remembered.fileName(), QSettings::IniFormat)), QString());
}

void OperatorLanguageTest::windowInFrench() {
    const auto look = [this](double tolerance, QStringList& seen) {
        fixture st;
        setup::station_setup s = st.setupFor(st.dir.filePath(QStringLiteral("board")));
        s.tolerance = tolerance;
        st.session->setSetup(s);
        QVERIFY(st.show());
        // The counters' first caption, in the window itself.
        QStringList labels;
        for (const QLabel* label : st.window->counters().findChildren<QLabel*>())
            labels << label->text();
        seen << (labels.contains(QStringLiteral("Pièces")) ? QStringLiteral("Pièces")
                                                             : labels.contains(QStringLiteral("Parts")) ? QStringLiteral("Parts") : labels.join(QLatin1Char('|')));
        whileSetupOpen(st, [&](op::setup_dialog& d) {
            auto* buttons = d.findChild<QDialogButtonBox*>();
            seen << labelText(d, d.languageBox()) << d.toleranceBox().text() << d.languageBox().itemText(0)
                 << (buttons ? buttons->button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')) : QString());
        });
    };
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    QLocale::setDefault(italian);
    QStringList french;
    {
        const op::window_language language(QStringLiteral("fr"), QLocale::system());
        QVERIFY(language.qtsLoaded());
        look(0.25, french);
    }
    QCOMPARE(QLocale(), italian);  // as it was once the language is gone
    QCOMPARE(french, (QStringList{QStringLiteral("Pièces"), QStringLiteral("&Langue"), QStringLiteral("0,25 V"), QStringLiteral("Système (Deutsch)"),
                                  QStringLiteral("Annuler")}));
    QStringList english;
    {
        const op::window_language language(QStringLiteral("en"), QLocale::system());
        look(0.25, english);
    }
    QCOMPARE(english, (QStringList{QStringLiteral("Parts"), QStringLiteral("&Language"), QStringLiteral("0.25 V"), QStringLiteral("System (Deutsch)"),
                                   QStringLiteral("Cancel")}));
}

void OperatorLanguageTest::nothingClipped_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("fixtures");
    for (const QString& code : op::windowLanguages())
        for (const int count : {1, 4})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2 fixtures").arg(code).arg(count))) << code << count;
}

void OperatorLanguageTest::nothingClipped() {
    QFETCH(QString, language);
    QFETCH(int, fixtures);
    const op::window_language installed(language, QLocale::system());
    fixture st;
    setup::station_setup s = st.setupFor(QStringLiteral("/dev/pts/nowhere"));
    for (int i = 0; fixtures > 1 && i < fixtures; ++i)
        s.fixtures.append({QStringLiteral("LINE-%1").arg(i + 1), QStringLiteral("/dev/pts/nowhere-%1").arg(i)});
    st.session->setSetup(s);
    QVERIFY(st.show());
    st.window->resize(1280, 800);
    QVERIFY(QTest::qWaitFor([&] { return st.window->size() == QSize(1280, 800); }, 2000));

    // The most a tile says: a failed part's reasons, the next step or trouble, the counts.
    station::part_result part;
    part.passed = false;
    for (int pin = 1; pin <= 7; pin += 2) {
        station::comparison c(QStringLiteral("pair"), QString(), false, QString(), QString(), QString());
        c.pin = pin;
        c.otherPin = pin + 1;
        station::fault f{station::fault::what::drop, pin, pin + 1};
        f.expectedVolts = 1.8;
        f.measuredVolts = 2.06;
        f.tolerance = 0.1;
        c.faults.push_back(f);
        part.comparisons.push_back(c);
    }
    const QStringList reasons = op::window_texts::reasons(part);
    op::banner gone{op::banner::kind::board_gone, {QStringLiteral("the line was lost")}, 0, fixtures > 1 ? fixtures : 0, true};
    auto& tile = const_cast<op::verdict_tile&>(st.window->tile(fixtures - 1));
    const QList<op::tile_state> states{op::tile_state::stopped, op::tile_state::starting, op::tile_state::waiting,
                                       op::tile_state::testing, op::tile_state::passed, op::tile_state::failed,
                                       op::tile_state::not_recorded, op::tile_state::out_of_service};
    const auto inside = [](const QWidget& outer, const QLabel& line) {
        return outer.contentsRect().contains(line.geometry()) &&
               (!line.wordWrap() || line.height() >= line.heightForWidth(line.width())) &&
               (line.wordWrap() || QFontMetrics(line.font()).horizontalAdvance(line.text()) <= line.contentsRect().width());
    };
    for (const bool troubled : {false, true}) {
        for (const op::tile_state state : states) {
            const QString word = op::window_texts::tileWord(state);
            tile.display(state, word, op::window_texts::detail({op::tile_detail::kind::part, 12, QStringLiteral("SN-000012")}),
                         reasons);
            if (fixtures > 1)
                tile.displayFixture(QStringLiteral("4.  LINE-4"),
                                    troubled ? QString()
                                             : op::window_texts::step(op::fixture_step::leaving_service, QString(), 4),
                                    troubled ? op::window_texts::bannerText(gone) : QString(),
                                    QCoreApplication::translate("op::station_window", "passed %1   failed %2   yield %3")
                                        .arg(120).arg(3).arg(op::window_texts::percent(97.6)));
            QApplication::processEvents();
            const QLabel& label = tile.wordLabel();
            const QString what = QStringLiteral("%1%2: %3 pt").arg(word, troubled ? QStringLiteral(" with trouble") : QString())
                                     .arg(label.font().pointSize());
            QVERIFY2(QFontMetrics(label.font()).boundingRect(word).width() <= label.contentsRect().width(), qPrintable(what));
            QVERIFY2(tile.contentsRect().contains(label.geometry()), qPrintable(what));
            for (const QLabel* line : {&tile.nameLabel(), &tile.countsLabel(), &tile.detailLabel(), &tile.reasonsLabel(),
                                       &tile.nextLabel(), &tile.troubleLabel()})
                if (!line->isHidden())
                    QVERIFY2(inside(tile, *line), qPrintable(what + QStringLiteral(", line: ") + line->text()));
        }
    }
    // The banner with the longest trouble, and every button's text within the button.
    op::banner notRecorded{op::banner::kind::not_recorded,
                           {fixtures > 1 ? QStringLiteral("LINE-4") : QString(), QStringLiteral("the disk is full"),
                            st.resultsFile()},
                           12, fixtures > 1 ? 4 : 0, false};
    st.window->stationBanner().display(notRecorded);
    QApplication::processEvents();
    for (const QLabel* label : st.window->stationBanner().findChildren<QLabel*>())
        if (!label->isHidden())
            QVERIFY2(inside(st.window->stationBanner(), *label), qPrintable(label->text()));
    for (const QPushButton* button : st.window->findChildren<QPushButton*>()) {
        if (button->isHidden())
            continue;
        const QString text = button->text().remove(QLatin1Char('&'));
        QVERIFY2(button->fontMetrics().horizontalAdvance(text) <= button->contentsRect().width(), qPrintable(text));
    }
}

QTEST_MAIN(OperatorLanguageTest)
#include "tst_operator_language.moc"
