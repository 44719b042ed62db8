#include "operator/supervisor_lock.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>

namespace op {

namespace {

const QString passwordKey = QStringLiteral("lock/password");
const QString setKey = QStringLiteral("lock/set_utc");
const QString scheme = QStringLiteral("pbkdf2-sha256");
constexpr int saltBytes = 16;
constexpr int hashBytes = 32;
// Beyond these a stored count is a hand's mistake, or a way to freeze the window on every try.
constexpr int fewestIterations = 1000;
constexpr int mostIterations = 10000000;
constexpr int longestPauseTimes = 30;

struct stored {
    int iterations = 0;
    QByteArray salt;
    QByteArray hash;
};

QByteArray decoded(const QString& base64) {
    const auto result = QByteArray::fromBase64Encoding(base64.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return result ? *result : QByteArray();
}

std::optional<stored> parse(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != scheme)
        return std::nullopt;
    stored s;
    bool number = false;
    s.iterations = parts[1].toInt(&number);
    s.salt = decoded(parts[2]);
    s.hash = decoded(parts[3]);
    if (!number || s.iterations < fewestIterations || s.iterations > mostIterations || s.salt.size() < saltBytes ||
        s.hash.size() != hashBytes)
        return std::nullopt;
    return s;
}

QByteArray derive(const QString& password, const QByteArray& salt, int iterations) {
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt, iterations,
                                              hashBytes);
}

// Every byte compared whatever the first difference, so the time taken tells a guesser nothing.
bool sameBytes(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (int i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

QString written(QSettings& settings) {
    settings.sync();
    return settings.status() == QSettings::NoError
               ? QString()
               : supervisor_lock::tr("the settings file %1 could not be written").arg(settings.fileName());
}

supervisor_lock::attempt refusal(const QString& why) {
    supervisor_lock::attempt a;
    a.what = supervisor_lock::attempt::refused;
    a.problem = why;
    return a;
}

}  // namespace

std::chrono::milliseconds pauseAfter(int failures, std::chrono::milliseconds base) {
    if (failures <= 0)
        return std::chrono::milliseconds(0);
    const std::chrono::milliseconds longest = base * longestPauseTimes;
    std::chrono::milliseconds pause = base;
    for (int i = 1; i < failures && pause < longest; ++i)
        pause *= 2;
    return std::min(pause, longest);
}

QString newPasswordProblem(const QString& password, const QString& again) {
    if (password.size() < supervisor_lock::minPasswordLength)
        return supervisor_lock::tr("the password needs at least %1 characters").arg(supervisor_lock::minPasswordLength);
    if (password != again)
        return supervisor_lock::tr("the two passwords typed differ");
    return QString();
}

QString lockStateText(const QSettings& settings) {
    if (!settings.contains(passwordKey))
        return QStringLiteral("none");
    if (!parse(settings.value(passwordKey).toString()))
        return QStringLiteral("garbled");
    // Written again from the time read, so nothing a hand put in the file passes through.
    const QDateTime when = QDateTime::fromString(settings.value(setKey).toString(), Qt::ISODate);
    return when.isValid() ? QStringLiteral("set ") + when.toUTC().toString(Qt::ISODate) : QStringLiteral("set");
}

supervisor_lock::supervisor_lock(QSettings& settings, std::chrono::milliseconds basePause)
    : settings(settings), basePause(basePause) {}

bool supervisor_lock::isLocked() const {
    return settings.contains(passwordKey);
}

QString supervisor_lock::stateText() const {
    return lockStateText(settings);
}

std::chrono::milliseconds supervisor_lock::waitLeft() const {
    return std::chrono::milliseconds(std::max<qint64>(0, pause.remainingTime()));
}

supervisor_lock::attempt supervisor_lock::verify(const QString& password) {
    attempt a;
    a.wait = waitLeft();
    if (a.wait.count() > 0) {
        a.what = attempt::waiting;
        return a;
    }
    const std::optional<stored> s = parse(settings.value(passwordKey).toString());
    if (s && sameBytes(derive(password, s->salt, s->iterations), s->hash)) {
        failures = 0;
        a.what = attempt::accepted;
        return a;
    }
    ++failures;
    a.what = attempt::wrong;
    a.wait = pauseAfter(failures, basePause);
    pause = QDeadlineTimer(a.wait.count(), Qt::PreciseTimer);
    return a;
}

supervisor_lock::attempt supervisor_lock::check(const QString& password) {
    if (!isLocked()) {
        attempt a;
        a.what = attempt::accepted;
        return a;
    }
    return verify(password);
}

supervisor_lock::attempt supervisor_lock::set(const QString& password, const QString& again) {
    if (isLocked())
        return refusal(supervisor_lock::tr("a supervisor password is already set"));
    QString why = newPasswordProblem(password, again);
    if (why.isEmpty())
        why = store(settings, password);
    if (!why.isEmpty())
        return refusal(why);
    attempt a;
    a.what = attempt::accepted;
    return a;
}

supervisor_lock::attempt supervisor_lock::change(const QString& current, const QString& password,
                                                 const QString& again) {
    if (!isLocked())
        return refusal(supervisor_lock::tr("no supervisor password is set"));
    // The new one is judged first: a typing mistake costs no try.
    const QString why = newPasswordProblem(password, again);
    if (!why.isEmpty())
        return refusal(why);
    attempt a = verify(current);
    if (a.what != attempt::accepted)
        return a;
    const QString failed = store(settings, password);
    return failed.isEmpty() ? a : refusal(failed);
}

supervisor_lock::attempt supervisor_lock::remove(const QString& current) {
    if (!isLocked())
        return refusal(supervisor_lock::tr("no supervisor password is set"));
    attempt a = verify(current);
    if (a.what != attempt::accepted)
        return a;
    const QString failed = clear(settings);
    return failed.isEmpty() ? a : refusal(failed);
}

QString supervisor_lock::store(QSettings& settings, const QString& password) {
    std::array<quint32, saltBytes / sizeof(quint32)> words{};
    QRandomGenerator::system()->generate(words.begin(), words.end());
    const QByteArray salt(reinterpret_cast<const char*>(words.data()), saltBytes);
    const QString text = QStringList{scheme, QString::number(iterations), QString::fromLatin1(salt.toBase64()),
                                     QString::fromLatin1(derive(password, salt, iterations).toBase64())}
                             .join(QLatin1Char('$'));
    settings.setValue(passwordKey, text);
    settings.setValue(setKey, QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    return written(settings);
}

QString supervisor_lock::clear(QSettings& settings) {
    settings.remove(passwordKey);
    settings.remove(setKey);
    return written(settings);
}

}  // namespace op
