#pragma once

#include <QJsonValue>
#include <QString>

#include <optional>

namespace ctl {

// How every command shows a figure that may be missing (an empty set's yield, a part never removed):
// null in JSON, "-" in text, never 0.
QJsonValue jsonOrNull(const QString& text);  // null for an empty text
QJsonValue jsonOrNull(const std::optional<double>& value);
QString secondsText(const std::optional<double>& seconds);  // "1.014 s"
QString percentText(const std::optional<double>& percent);  // "33.3 %"

}  // namespace ctl
