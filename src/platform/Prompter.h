#pragma once
// Modal questions and messages to the user. The desktop programs answer through message
// boxes; tests and command-line programs answer through scripted or fixed prompters.

#include <string>
#include <vector>

namespace platform {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageIcon { None, Information, Warning, Error, Question };
enum class Answer { Ok, Cancel, Yes, No, Retry };

struct Message {
    std::string text;     // UTF-8
    std::string caption;  // UTF-8
    Buttons buttons = Buttons::Ok;
    MessageIcon icon = MessageIcon::None;
    Answer defaultAnswer = Answer::Ok;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual Answer ask(const Message& message) = 0;
};

// Answers every question with its default answer; remembers what was asked.
class DefaultAnswerPrompter : public Prompter {
public:
    Answer ask(const Message& message) override {
        asked.push_back(message);
        return message.defaultAnswer;
    }
    std::vector<Message> asked;
};

// Answers with the given answers in turn (then with the default); remembers what was asked.
class ScriptedPrompter : public Prompter {
public:
    explicit ScriptedPrompter(std::vector<Answer> answers) : answers_(std::move(answers)) {}
    Answer ask(const Message& message) override {
        asked.push_back(message);
        if (next_ < answers_.size()) return answers_[next_++];
        return message.defaultAnswer;
    }
    std::vector<Message> asked;

private:
    std::vector<Answer> answers_;
    std::size_t next_ = 0;
};

}  // namespace platform
