#pragma once

#include <QStringList>
#include <QtGlobal>

#include <mutex>
#include <utility>

// The link's debug-channel lines (written from its worker thread), collected while an instance lives.
class DiagnosticLog {
public:
    DiagnosticLog() : previous(qInstallMessageHandler(&handle)) { lines(); }
    ~DiagnosticLog() { qInstallMessageHandler(previous); }
    // The lines since the last call.
    static QStringList lines() {
        const std::lock_guard<std::mutex> lock(mutex);
        return std::exchange(store, {});
    }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& text) {
        const std::lock_guard<std::mutex> lock(mutex);
        store.append(text);
    }
    static inline std::mutex mutex;
    static inline QStringList store;
    QtMessageHandler previous;
};
