#include "operator/password_command.h"

#include "operator/supervisor_lock.h"

#include <QSettings>

#include <cstdio>
#include <iostream>
#include <string>

#ifdef Q_OS_UNIX
#include <csignal>
#include <termios.h>
#include <unistd.h>
#endif

namespace op {

namespace {

#ifdef Q_OS_UNIX
termios typed{};
volatile std::sig_atomic_t echoHidden = 0;

// Ctrl-C while the password is typed: the terminal gets its echo back before the signal ends the program.
extern "C" void restoreEchoAndEnd(int signal) {
    if (echoHidden)
        tcsetattr(STDIN_FILENO, TCSANOW, &typed);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The echo off on a terminal for the object's life, the line's end still shown.
class hidden_echo {
public:
    hidden_echo() {
        if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &typed) != 0)
            return;
        for (std::size_t i = 0; i < std::size(endingSignals); ++i) {
            struct sigaction quit {};
            quit.sa_handler = restoreEchoAndEnd;
            sigemptyset(&quit.sa_mask);
            sigaction(endingSignals[i], &quit, &before[i]);
        }
        termios quiet = typed;
        quiet.c_lflag = (quiet.c_lflag & ~tcflag_t(ECHO)) | ECHONL;
        echoHidden = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        active = true;
    }
    ~hidden_echo() {
        if (!active)
            return;
        if (echoHidden)
            tcsetattr(STDIN_FILENO, TCSANOW, &typed);
        echoHidden = 0;
        for (std::size_t i = 0; i < std::size(endingSignals); ++i)
            sigaction(endingSignals[i], &before[i], nullptr);
    }
    hidden_echo(const hidden_echo&) = delete;
    hidden_echo& operator=(const hidden_echo&) = delete;

private:
    struct sigaction before[std::size(endingSignals)]{};
    bool active = false;
};

bool onTerminal() {
    return isatty(STDIN_FILENO);
}
#else
struct hidden_echo {};
bool onTerminal() {
    return false;
}
#endif

// One line of standard input without its line end; false at its end.
bool readLine(const char* prompt, QString& line) {
    if (onTerminal()) {
        std::fputs(prompt, stderr);
        std::fflush(stderr);
    }
    std::string text;
    if (!std::getline(std::cin, text))
        return false;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    line = QString::fromStdString(text);
    text.assign(text.size(), '\0');
    return true;
}

int refused(const QString& why) {
    std::fprintf(stderr, "rx48p-station: %s\n", qPrintable(why));
    return 2;
}

int setPassword(QSettings& settings) {
    QString password, again;
    {
        const hidden_echo quiet;
        if (!readLine("New supervisor password: ", password) || !readLine("Again: ", again))
            return refused(QStringLiteral("standard input ended before the password was typed twice"));
    }
    QString why = newPasswordProblem(password, again);
    if (why.isEmpty())
        why = supervisor_lock::store(settings, password);
    password.fill(QLatin1Char('\0'));
    again.fill(QLatin1Char('\0'));
    if (!why.isEmpty())
        return refused(why);
    std::fprintf(stdout, "supervisor password set in %s\n", qPrintable(settings.fileName()));
    return 0;
}

int removePassword(QSettings& settings) {
    const bool wasSet = supervisor_lock(settings).isLocked();
    const QString why = supervisor_lock::clear(settings);
    if (!why.isEmpty())
        return refused(why);
    std::fprintf(stdout, wasSet ? "supervisor password removed from %s\n" : "no supervisor password was set in %s\n",
                 qPrintable(settings.fileName()));
    return 0;
}

}  // namespace

int runPasswordAction(QSettings& settings, password_action action) {
#ifdef Q_OS_UNIX
    std::signal(SIGPIPE, SIG_IGN);  // a reader gone is a failed write, not a crash
#endif
    switch (action) {
        case password_action::set:
            return setPassword(settings);
        case password_action::remove:
            return removePassword(settings);
        case password_action::none:
            break;
    }
    return 0;
}

}  // namespace op
