#pragma once

#include <QString>
#include <QStringList>

#include <utility>

namespace corvamo {

// What an operation of the core that can fail comes back with: success, or a message saying why
// not, with the single texts it was made of when there were several. The caller shows it. An
// operation that tells its user what it did ("X saved.") says so in the message of its success;
// an operation that also yields data carries a Status beside that data.
struct Status {
    bool ok = true;
    QString message;      // why not; on success what was done, when the operation says so, else empty
    QStringList details;  // the texts message joins, when it joins several

    static Status Success(QString said = {}) { return {true, std::move(said), {}}; }
    static Status Failure(QString message, QStringList details = {}) {
        return {false, std::move(message), std::move(details)};
    }
    // A failure of every text said, joined by line breaks; success when nothing was said.
    static Status FromTexts(const QStringList& texts) {
        return texts.isEmpty() ? Success() : Failure(texts.join(QLatin1Char('\n')), texts);
    }
    explicit operator bool() const { return ok; }
};

}  // namespace corvamo
