#pragma once

#include <QString>
#include <QStringList>

#include <deque>

namespace corvamo {

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

// The workbench's own boxes: each is passed on, and while one is open the workbench is busy (a
// nested event loop runs under it). A reload collects instead what it would have shown.
class GuardedMessages : public MessageBoxes {
public:
    explicit GuardedMessages(MessageBoxes& boxes) : boxes_(boxes) {}
    void ok(const QString& text) override {
        if (recorded_) recorded_->append(text);
        if (collected_) {
            collected_->append(text);
            return;
        }
        ++open_;
        boxes_.ok(text);
        --open_;
    }
    bool yesNo(const QString& text) override {
        ++open_;
        const bool yes = boxes_.yesNo(text);
        --open_;
        return yes;
    }
    bool open() const { return open_ > 0; }
    // Texts of ok() go into texts instead of a box while it is set (null: shown again).
    void collectInto(QStringList* texts) { collected_ = texts; }
    // Texts of ok() are also appended to texts, shown or collected, while it is set.
    void recordInto(QStringList* texts) { recorded_ = texts; }

private:
    MessageBoxes& boxes_;
    int open_ = 0;
    QStringList* collected_ = nullptr;
    QStringList* recorded_ = nullptr;
};

}  // namespace corvamo
