#pragma once
// Driving report forms in tests: a host that answers nested dialogs with a function, and
// short ways to set fields and press buttons.

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "platform/Form.h"
#include "text/Gbk.h"

namespace tubra::report::testing {

// Runs each nested form through `answer` (which sets fields and presses buttons); the form
// counts as accepted when `answer` left it accepted.
class FunctionHost : public platform::FormHost {
public:
    std::function<void(platform::Form&, platform::FormContext&)> answer;
    int runs = 0;

    bool run(platform::Form& form) override {
        ++runs;
        form.reopen();
        platform::FormContext context{*prompter, *this};
        if (answer) answer(form, context);
        return form.state() == platform::FormState::Accepted;
    }
    platform::Prompter* prompter = nullptr;
};

// A form, its prompter and host, with helpers that fail the test on a refused input.
struct Driver {
    explicit Driver(std::vector<platform::Answer> answers = {}) : prompter(std::move(answers)) {
        host.prompter = &prompter;
    }
    platform::ScriptedPrompter prompter;
    FunctionHost host;
    platform::FormContext context{prompter, host};

    void set(platform::Form& f, const std::string& name, const std::string& value) {
        const platform::Result<> taken = f.setField(name, value);
        EXPECT_TRUE(taken.ok()) << name << ": " << taken.message();
    }
    platform::FormState act(platform::Form& f, const std::string& action) {
        const platform::ActionResult done = f.act(action, context);
        EXPECT_EQ(done.message(), "") << action;
        return f.state();
    }
    // The text of the last message box, empty when none was shown.
    std::string lastMessage() const {
        return prompter.asked.empty() ? std::string() : prompter.asked.back().text;
    }
};

inline std::string utf8(std::string_view gbk) { return text::gbkToUtf8(gbk); }

}  // namespace tubra::report::testing
