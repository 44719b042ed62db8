#include "window_driver.h"

#include "board_sim_runner.h"
#include "main_window_probe.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

namespace e2e {

bool looksConnected(MainWindow& w) {
    return MainWindowProbe::commandPanel(w).isEnabled() && MainWindowProbe::console(w).isEnabled() &&
           MainWindowProbe::clearButton(w).isEnabled();
}

bool connectTo(MainWindow& w, const QString& path, int timeoutMs) {
    MainWindowProbe::link(w).connectPort(path);
    return QTest::qWaitFor([&] { return looksConnected(w); }, timeoutMs);
}

bool disconnectWithButton(MainWindow& w, int timeoutMs) {
    UI_comPortManager& row = MainWindowProbe::portRow(w);
    for (QPushButton* b : row.findChildren<QPushButton*>()) {
        if (b->text() == QLatin1String("Refresh"))
            continue;
        QTest::mouseClick(b, Qt::LeftButton);
        return QTest::qWaitFor([&] { return !MainWindowProbe::commandPanel(w).isEnabled(); }, timeoutMs) &&
               !MainWindowProbe::console(w).isEnabled() && !MainWindowProbe::clearButton(w).isEnabled();
    }
    return false;
}

QPushButton* buttonByText(QWidget& root, const QString& text) {
    for (QPushButton* b : root.findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

bool click(QWidget& root, const QString& text) {
    QPushButton* b = buttonByText(root, text);
    if (!b || !b->isEnabled())
        return false;
    QTest::mouseClick(b, Qt::LeftButton);
    return true;
}

QSpinBox* spinBoxBeside(QWidget& root, const QString& label) {
    for (QLayout* row : root.findChildren<QLayout*>()) {
        bool hasLabel = false;
        QSpinBox* box = nullptr;
        for (int i = 0; i < row->count(); ++i) {
            QWidget* item = row->itemAt(i)->widget();
            if (auto* l = qobject_cast<QLabel*>(item))
                hasLabel = hasLabel || l->text() == label;
            if (auto* s = qobject_cast<QSpinBox*>(item))
                box = s;
        }
        if (hasLabel && box)
            return box;
    }
    return nullptr;
}

void typeInto(QSpinBox& box, const QString& text) {
    box.setFocus();
    box.selectAll();
    QTest::keyClicks(&box, text);
    QTest::keyClick(&box, Qt::Key_Enter);
}

void tickPins(MainWindow& w, const std::vector<int>& pins) {
    auto* list = MainWindowProbe::commandPanel(w).findChild<QComboBox*>();
    QAbstractItemModel* model = list->model();
    for (int pin : pins)
        model->setData(model->index(pin, 0), Qt::Checked, Qt::CheckStateRole);
}

QStringList consoleLines(MainWindow& w) {
    QStringList out;
    const QTextDocument* doc = MainWindowProbe::console(w).document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        // An empty line has no fragment; its colour is the block's.
        QString colour;
        const auto nameOf = [](const QColor& c) {
            return c == QColor(Qt::blue) ? QStringLiteral("blue") : c == QColor(Qt::red) ? QStringLiteral("red") : c.name();
        };
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString name = nameOf(it.fragment().charFormat().foreground().color());
            // A line in two colours shows up as such rather than passing as either.
            colour = colour.isEmpty() || colour == name ? name : colour + QLatin1Char('+') + name;
        }
        if (block.text().isEmpty() && block == doc->begin() && !block.next().isValid())
            break;  // an empty console
        if (colour.isEmpty())
            colour = nameOf(block.charFormat().foreground().color());
        const QString text = block.text().replace(QChar::LineSeparator, QLatin1Char('\n'));
        for (const QString& line : text.split(QLatin1Char('\n')))
            out.append(colour + QLatin1Char('|') + line);
    }
    return out;
}

QStringList linesIn(const QStringList& lines, const QString& colour, bool reportsOnly) {
    QStringList out;
    const QString prefix = colour + QLatin1Char('|');
    for (const QString& line : lines) {
        if (!line.startsWith(prefix))
            continue;
        const QString text = line.mid(prefix.size());
        if (reportsOnly && (text.startsWith(QLatin1String("=> ")) || text.startsWith(QLatin1String("<= "))))
            continue;
        out.append(text);
    }
    return out;
}

std::vector<std::uint8_t> receivedBytes(const QStringList& lines) {
    std::vector<std::uint8_t> out;
    for (const QString& line : linesIn(lines, QStringLiteral("red"), false)) {
        if (!line.startsWith(QLatin1String("<= ")))
            continue;
        const std::vector<std::uint8_t> b = bytesOfHex(line.mid(3));
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

}  // namespace e2e
