// Any bytes as what a user or a recorded session does in a report dialog: the first byte
// picks the dialog (a page dialog or a master), each further line sets a field ("name=value")
// or presses a button; nested dialogs take the following lines. Nothing may crash, and what
// the dialogs write must be data the drawing file holds: after the first save, loading and
// saving gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <string_view>

#include "tubra/model/DrawingFile.h"
#include "tubra/report/ReportMasterForms.h"
#include "tubra/report/ReportPageForms.h"
#include "report_round_trip.h"

using namespace tubra;

namespace {

std::deque<std::string> lines;

// Answers every question in turn with Yes and No.
class AlternatingPrompter : public platform::Prompter {
public:
    platform::Answer ask(const platform::Message&) override {
        yes_ = !yes_;
        return yes_ ? platform::Answer::Yes : platform::Answer::No;
    }

private:
    bool yes_ = false;
};

void play(platform::Form& form, platform::FormContext& context, int depth);

class LineHost : public platform::FormHost {
public:
    explicit LineHost(platform::Prompter& p) : prompter_(p) {}
    bool run(platform::Form& form) override {
        form.reopen();
        platform::FormContext context{prompter_, *this};
        play(form, context, 1);
        return form.state() == platform::FormState::Accepted;
    }

private:
    platform::Prompter& prompter_;
};

void play(platform::Form& form, platform::FormContext& context, int depth) {
    for (int steps = 0; steps < 64 && !lines.empty() && form.isOpen(); ++steps) {
        std::string line = std::move(lines.front());
        lines.pop_front();
        if (line == "end" && depth > 0) return;
        const auto eq = line.find('=');
        const std::string name = line.substr(0, eq);
        // Files are the file system's business, not the dialogs'.
        if (name == "import" || name == "add") continue;
        // Refused values and unknown buttons are the garbage this feeds; only a crash counts.
        if (eq != std::string::npos && form.hasField(name)) (void)form.setField(name, line.substr(eq + 1));
        else (void)form.act(line, context);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view script(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    lines.clear();
    for (std::size_t pos = 0; pos < script.size();) {
        const std::size_t end = std::min(script.find('\n', pos), script.size());
        lines.emplace_back(script.substr(pos, end - pos));
        pos = end + 1;
    }

    report::InspectionReport r;
    r.setNewDocumentDefaults();
    model::CharacteristicTable table;
    table.values[0] = "T0";
    table.values[17] = "size";
    AlternatingPrompter prompter;
    LineHost host(prompter);
    platform::FormContext context{prompter, host};
    int mode = 0;

    const int pick = bytes[0] % 24;
    if (pick == 22) {
        report::FullReportMasterForm master(r, table, mode);
        play(master, context, 0);
    } else if (pick == 23) {
        report::OnlineReportMasterForm master(r, table, mode);
        play(master, context, 0);
    } else {
        const int page = pick <= 17 ? pick : 23 + (pick - 18);
        auto form = report::makeReportPageForm(page, r, table);
        if (!form) std::abort();
        play(*form, context, 0);
        if (form->state() == platform::FormState::Accepted) form->apply(r);
    }

    reportfuzz::checkStable(reportfuzz::sectionsOf(r));
    return 0;
}
