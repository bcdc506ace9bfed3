// What the drawing program takes from outside before any file: its command line and the texts
// typed into the new-drawing and page-setup dialogs. The input is split at NUL bytes into
// arguments; the first argument doubles as the typed elevation and axis labels.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "text/Gbk.h"
#include "tubra/appcore/CommandLine.h"
#include "tubra/appcore/Forms.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= input.size(); ++i) {
        if (i == input.size() || input[i] == '\0') {
            args.push_back(input.substr(start, i - start));
            start = i + 1;
        }
    }
    const tubra::app::StartRequest request = tubra::app::parseCommandLine(args);
    if (request.kind == tubra::app::StartRequest::Kind::Invalid && request.error.empty()) __builtin_trap();

    tubra::view::ViewState view;
    tubra::app::NewDrawingForm form(view);
    form.elevationText = args[0];
    form.alphaIndex = static_cast<int>(size % 5) - 1;  // also indexes no list offers
    if (const auto values = form.values())
        if (values->alpha != 30 && values->alpha != 45 && values->alpha != 60) __builtin_trap();

    tubra::model::Drawing drawing;
    tubra::app::PageSetupForm page(drawing);
    for (int field = 0; field < 3; ++field) {
        const std::string kept = page.setLabel(field, args[static_cast<std::size_t>(field) % args.size()]);
        if (text::utf8ToGbk(kept).size() > tubra::app::PageSetupForm::kLabelBytes) __builtin_trap();
    }
    const tubra::model::AxisSettings axis = page.axisSettings();
    for (const auto& label : axis.labels)
        if (label.size() > tubra::app::PageSetupForm::kLabelBytes) __builtin_trap();
    return 0;
}
