// Any bytes as a recovery copy found on start: reading it must not crash, and what it says
// about its drawing must survive being written into a copy again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tubra/appcore/Recovery.h"
#include "tubra/model/Document.h"

using namespace tubra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const auto parsed = app::parseRecoveryCopy(file);
    if (!parsed) return 0;
    const app::RecoveryInfo& info = parsed->first;
    const std::string again = app::recoveryHeader(info) + std::string(parsed->second);
    const auto reparsed = app::parseRecoveryCopy(again);
    if (!reparsed || reparsed->first.original != info.original || reparsed->first.title != info.title ||
        reparsed->first.taken != info.taken || reparsed->second != parsed->second)
        std::abort();
    (void)app::recoveryTimeText(info.taken);
    model::AppContext context;
    if (auto recovered = model::Document::openRecovered(context, parsed->second, info.original); recovered.ok()) {
        if (!recovered.value()->isModified()) std::abort();
        (void)recovered.value()->serialize();
    }
    return 0;
}
