#pragma once

#include <QDeadlineTimer>
#include <QCoreApplication>
#include <QString>

#include <chrono>

class QSettings;

namespace op {

// What an engineer decides stays behind a supervisor password: Setup and taking a fixture out of
// service. The settings keep only "pbkdf2-sha256$ITERATIONS$SALT$HASH" (salt and hash in base64) and the
// UTC time it was set; the iterations travel with the hash so a later release can raise them.
class supervisor_lock {
    Q_DECLARE_TR_FUNCTIONS(supervisor_lock)
public:
    // About 80 ms on the line's PCs: slow for a guesser with the settings file, unnoticed at the station.
    static constexpr int iterations = 60000;
    static constexpr int minPasswordLength = 6;
    static constexpr std::chrono::milliseconds defaultPause{1000};

    struct attempt {
        enum outcome { accepted, wrong, waiting, refused };
        outcome what = refused;
        std::chrono::milliseconds wait{0};  // wrong or waiting: how long no try is taken
        QString problem;                    // refused: why
    };

    // Wrong passwords in a row pause further tries by `basePause`, doubled each time.
    explicit supervisor_lock(QSettings& settings, std::chrono::milliseconds basePause = defaultPause);

    // A password is set, or the stored text is garbled: nobody knows that password, so it stays locked
    // until the administrator removes or sets it from the command line.
    bool isLocked() const;
    // lockStateText() of these settings.
    QString stateText() const;
    // While a pause runs, nothing is checked.
    std::chrono::milliseconds waitLeft() const;

    attempt check(const QString& password);
    // Only when none is set; `again` is the second typing.
    attempt set(const QString& password, const QString& again);
    attempt change(const QString& current, const QString& password, const QString& again);
    attempt remove(const QString& current);

    // The administrator's, from the command line: no current password asked. Empty, or what failed.
    static QString store(QSettings& settings, const QString& password);
    static QString clear(QSettings& settings);

private:
    attempt verify(const QString& password);

    QSettings& settings;
    std::chrono::milliseconds basePause;
    int failures = 0;
    QDeadlineTimer pause;
};

// The pause after `failures` wrong passwords in a row: none, then base, 2 x base, 4 x base ... at most
// 30 x base.
std::chrono::milliseconds pauseAfter(int failures, std::chrono::milliseconds base);

// Why a new password will not do (too short, the two typings differ), or empty.
QString newPasswordProblem(const QString& password, const QString& again);

// For the station's audit trail: "none", "set YYYY-MM-DDTHH:MM:SSZ" (when, "set" alone if the time is
// unreadable) or "garbled" (locked, unusable). Nothing of the password or its hash.
QString lockStateText(const QSettings& settings);

}  // namespace op
