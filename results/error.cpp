#include "results/error.h"

namespace results {

error::error(const QString& message, QString code)
    : std::runtime_error(message.toStdString()), text(message), native(std::move(code)) {}

}  // namespace results
