#include "tubra/edit/SessionRecorder.h"

#include "tubra/edit/SessionScript.h"

namespace tubra::edit {

namespace {

const char* answerWord(platform::Answer a) {
    switch (a) {
        case platform::Answer::Ok: return "ok";
        case platform::Answer::Cancel: return "cancel";
        case platform::Answer::Yes: return "yes";
        case platform::Answer::No: return "no";
        case platform::Answer::Retry: return "ok";
    }
    return "ok";
}

}  // namespace

class SessionRecorder::Prompter : public platform::Prompter {
public:
    explicit Prompter(SessionRecorder& r) : r_(r) {}
    platform::Prompter* inner = nullptr;
    platform::Answer ask(const platform::Message& m) override {
        const platform::Answer a = inner->ask(m);
        r_.hold({std::string("answer ") + answerWord(a)});
        return a;
    }

private:
    SessionRecorder& r_;
};

// Each dialog run is a frame: the tokens of its current line, and the lines of the dialogs
// opened while that line was being made. A line ends at an action that leaves the dialog open.
class SessionRecorder::Forms : public platform::FormHost {
public:
    explicit Forms(SessionRecorder& r) : r_(r) {}
    platform::FormHost* inner = nullptr;

    bool run(platform::Form& form) override {
        frames_.push_back({&form, form.snapshot(), {}, {}, {}, false});
        auto previous = form.beforeAction;
        form.beforeAction = [this, previous](const platform::Form& f, std::string_view action) {
            if (previous) previous(f, action);
            noteAction(f, action);
        };
        bool accepted = false;
        try {
            accepted = inner->run(form);
        } catch (...) {
            form.beforeAction = previous;
            frames_.pop_back();
            throw;
        }
        form.beforeAction = previous;
        Frame frame = std::move(frames_.back());
        frames_.pop_back();
        // Closed by the window rather than a button: it was cancelled.
        if (!accepted && !frame.lastWasAction) frame.tokens.push_back("cancel");
        endLine(frame);
        if (frames_.empty())
            r_.hold(std::move(frame.done));
        else
            for (std::string& l : frame.done) frames_.back().children.push_back(std::move(l));
        return accepted;
    }

private:
    struct Frame {
        const platform::Form* form;
        std::vector<std::pair<std::string, std::string>> shown;  // fields as last recorded
        std::vector<std::string> tokens;
        std::vector<std::string> children;  // lines of dialogs opened during this line
        std::vector<std::string> done;      // finished lines, in playing order
        bool lastWasAction;
    };

    Frame* frameOf(const platform::Form& f) {
        for (auto it = frames_.rbegin(); it != frames_.rend(); ++it)
            if (it->form == &f) return &*it;
        return nullptr;
    }

    void endLine(Frame& frame) {
        if (frame.tokens.empty() && frame.children.empty() && !frame.done.empty()) return;
        std::string line = "dialog";
        for (const std::string& t : frame.tokens) line += " " + t;
        frame.done.push_back(std::move(line));
        for (std::string& c : frame.children) frame.done.push_back(std::move(c));
        frame.tokens.clear();
        frame.children.clear();
    }

    void noteAction(const platform::Form& f, std::string_view action) {
        Frame* frame = frameOf(f);
        if (!frame) return;
        // The previous action left the dialog open: the player takes the next line from here.
        if (frame->lastWasAction && f.isOpen()) endLine(*frame);
        const auto now = f.snapshot();
        for (std::size_t i = 0; i < now.size(); ++i) {
            const bool changed = i >= frame->shown.size() || frame->shown[i] != now[i];
            if (changed) frame->tokens.push_back(sessionFieldToken(now[i].first, now[i].second));
        }
        frame->shown = now;
        frame->tokens.push_back(quoteSessionValue(action));
        frame->lastWasAction = true;
    }

    SessionRecorder& r_;
    std::vector<Frame> frames_;
};

SessionRecorder::SessionRecorder(std::function<void(const std::string&)> write)
    : write_(std::move(write)),
      prompter_(std::make_unique<Prompter>(*this)),
      forms_(std::make_unique<Forms>(*this)) {}

SessionRecorder::~SessionRecorder() = default;

void SessionRecorder::line(const std::string& text) {
    if (depth_ > 0)
        held_.push_back(text);
    else
        write_(text);
}

void SessionRecorder::beginAction() { ++depth_; }

void SessionRecorder::endAction(const std::string& text) {
    if (depth_ > 0) --depth_;
    if (depth_ > 0) {
        if (!text.empty()) held_.push_back(text);
        return;
    }
    for (const std::string& l : held_) write_(l);
    held_.clear();
    if (!text.empty()) write_(text);
}

void SessionRecorder::hold(std::vector<std::string> lines) {
    for (std::string& l : lines) line(l);
}

platform::Prompter& SessionRecorder::prompter(platform::Prompter& inner) {
    prompter_->inner = &inner;
    return *prompter_;
}

platform::FormHost& SessionRecorder::forms(platform::FormHost& inner) {
    forms_->inner = &inner;
    return *forms_;
}

std::string SessionRecorder::pointLine(const char* action, double x, double y) {
    return std::string(action) + " " + sessionNumber(x) + " " + sessionNumber(y);
}

std::string SessionRecorder::clickLine(double x, double y, bool shift, bool ctrl) {
    return pointLine("click", x, y) + (shift ? " shift" : "") + (ctrl ? " ctrl" : "");
}

std::string SessionRecorder::dragLine(const char* action, double x1, double y1, double x2, double y2) {
    return std::string(action) + " " + sessionNumber(x1) + " " + sessionNumber(y1) + " " + sessionNumber(x2) +
           " " + sessionNumber(y2);
}

}  // namespace tubra::edit
