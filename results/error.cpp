#include "results/error.h"

namespace results {

error::error(const QString& message) : std::runtime_error(message.toStdString()), text(message) {}

}  // namespace results
