#pragma once

#include <QString>

#include <stdexcept>

namespace results {

// Every failure of the journal, the forward and the questions: a sentence for the operator that names
// the file or server and says why.
class error : public std::runtime_error {
public:
    explicit error(const QString& message, QString code = QString());
    QString message() const { return text; }
    // The database's own code for the failure when it gave one: PostgreSQL's SQLSTATE, SQLite's result
    // code. The forward tells a row the server refuses from a server it cannot use by it.
    QString code() const { return native; }

private:
    QString text;
    QString native;
};

}  // namespace results
