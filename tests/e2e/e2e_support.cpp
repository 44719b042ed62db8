#include "e2e_support.h"

#include "main_window_probe.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

namespace e2e {

namespace {

Bytes bytesOfHex(const QString& hex) {
    Bytes out;
    for (const QString& part : hex.split(QLatin1Char(':')))
        if (!part.isEmpty())
            out.push_back(static_cast<std::uint8_t>(part.toUInt(nullptr, 16)));
    return out;
}

}  // namespace

bool connectTo(MainWindow& w, const QString& path) {
    MainWindowProbe::link(w).connectPort(path);
    return QTest::qWaitFor([&] {
        return MainWindowProbe::commandPanel(w).isEnabled() && MainWindowProbe::console(w).isEnabled() &&
               MainWindowProbe::clearButton(w).isEnabled();
    }, 3000);
}

bool click(QWidget& root, const QString& text) {
    for (QPushButton* b : root.findChildren<QPushButton*>()) {
        if (b->text() == text && b->isEnabled()) {
            QTest::mouseClick(b, Qt::LeftButton);
            return true;
        }
    }
    return false;
}

QStringList consoleLines(MainWindow& w) {
    const auto nameOf = [](const QTextCharFormat& f) {
        const QColor c = f.foreground().color();
        return c == QColor(Qt::blue) ? QStringLiteral("blue") : c == QColor(Qt::red) ? QStringLiteral("red") : c.name();
    };
    QStringList out;
    const QTextDocument* doc = MainWindowProbe::console(w).document();
    if (doc->isEmpty())
        return out;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        QString colour;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString name = nameOf(it.fragment().charFormat());
            colour = colour.isEmpty() || colour == name ? name : colour + QLatin1Char('+') + name;
        }
        if (colour.isEmpty())  // an empty line has no fragment; its colour is the block's
            colour = nameOf(block.charFormat());
        for (const QString& line : block.text().replace(QChar::LineSeparator, QLatin1Char('\n')).split(QLatin1Char('\n')))
            out.append(colour + QLatin1Char('|') + line);
    }
    return out;
}

Bytes receivedBytes(const QStringList& consoleLines) {
    Bytes out;
    for (const QString& line : consoleLines.filter(QRegularExpression(QStringLiteral("^red\\|<= ")))) {
        const Bytes b = bytesOfHex(line.mid(7));
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

}  // namespace e2e
