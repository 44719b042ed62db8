#pragma once

// A page loaded in a real browser: Debian's `chromium`, headless, in a throwaway profile, with every
// network service it would start on its own turned off. The test-only package scripts/setup --test
// installs.

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct chromium_result {
    QString problem;  // empty when the browser ran and exited 0
    QByteArray output;
};

inline chromium_result runChromium(const QStringList& arguments) {
    chromium_result result;
    const QString program = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (program.isEmpty()) {
        result.problem = QStringLiteral("no chromium on PATH (scripts/setup --test installs it)");
        return result;
    }
    QTemporaryDir profile;
    QProcess browser;
    browser.start(program, QStringList{QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                                       QStringLiteral("--disable-gpu"), QStringLiteral("--disable-quic"),
                                       QStringLiteral("--no-first-run"), QStringLiteral("--disable-background-networking"),
                                       QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"),
                                       QStringLiteral("--user-data-dir=") + profile.path()} +
                               arguments);
    // A bound on a hung browser, not a measured time.
    if (!browser.waitForFinished(120000)) {
        browser.kill();
        browser.waitForFinished();
        result.problem = QStringLiteral("chromium did not finish");
        return result;
    }
    if (browser.exitStatus() != QProcess::NormalExit || browser.exitCode() != 0)
        result.problem = QStringLiteral("chromium failed (%1): %2")
                             .arg(browser.exitCode())
                             .arg(QString::fromUtf8(browser.readAllStandardError()).right(2000));
    result.output = browser.readAllStandardOutput();
    return result;
}

// The document as the browser built it.
inline chromium_result dumpDom(const QString& htmlFile) {
    return runChromium({QStringLiteral("--dump-dom"), QStringLiteral("file://") + htmlFile});
}

// The page printed as the browser prints it; the PDF's bytes in `output`.
inline chromium_result printToPdf(const QString& htmlFile, const QString& pdfFile) {
    chromium_result result = runChromium({QStringLiteral("--no-pdf-header-footer"),
                                          QStringLiteral("--print-to-pdf=") + pdfFile, QStringLiteral("file://") + htmlFile});
    QFile pdf(pdfFile);
    if (result.problem.isEmpty() && !pdf.open(QIODevice::ReadOnly))
        result.problem = QStringLiteral("chromium wrote no %1").arg(pdfFile);
    result.output = pdf.readAll();
    return result;
}
