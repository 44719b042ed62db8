#include "ctl/figures.h"

namespace ctl {

namespace {

const QString none = QStringLiteral("-");

}  // namespace

QJsonValue jsonOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue jsonOrNull(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue();
}

QString secondsText(const std::optional<double>& seconds) {
    return seconds ? QString::number(*seconds, 'f', 3) + QStringLiteral(" s") : none;
}

QString percentText(const std::optional<double>& percent) {
    return percent ? QString::number(*percent, 'f', 1) + QStringLiteral(" %") : none;
}

}  // namespace ctl
