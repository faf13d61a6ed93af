#pragma once

#include <QString>
#include <QStringList>

#include <deque>

// Every message box of the workbench goes through this, so that tests and the windowless
// export answer them without a modal loop. Boxes carry the program's title, "Corvamo".
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A box with an OK button.
    virtual void ok(const QString& text) = 0;
    // A box with Yes and No buttons; true for Yes.
    virtual bool yesNo(const QString& text) = 0;
};

// Records every text and answers Yes/No questions from a script given in advance (then No).
class RecordedMessages : public MessageBoxes {
public:
    void ok(const QString& text) override { texts.append(text); }
    bool yesNo(const QString& text) override {
        texts.append(text);
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    QStringList texts;
    std::deque<bool> answers;
};
