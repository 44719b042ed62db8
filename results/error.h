#pragma once

#include <QString>

#include <stdexcept>

namespace results {

// Every failure of the journal, the forward and the questions: a sentence for the operator that names
// the file or server and says why.
class error : public std::runtime_error {
public:
    explicit error(const QString& message);
    QString message() const { return text; }

private:
    QString text;
};

}  // namespace results
