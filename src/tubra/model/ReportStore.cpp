#include "tubra/model/ReportStore.h"

namespace tubra::model {

void VerbatimReportStore::readSection(std::string_view name, LineReader& in) {
    // A repeated section replaces the earlier one, as a real reader would overwrite its fields.
    auto& lines = sections_[std::string(name)];
    lines.clear();
    std::string_view line;
    while (in.next(line)) {
        if (closesSection(line)) break;
        if (lines.size() >= kMaxKeptSectionLines) {
            in.stop("报告部分 " + std::string(name) + " 超过 " +
                    std::to_string(kMaxKeptSectionLines) + " 行");
            break;
        }
        lines.emplace_back(line);
    }
}

void VerbatimReportStore::writeSections(std::string& out) const {
    for (const FileSection* s : kReportSectionsInWriteOrder) {
        const std::string_view name = s->name;
        const auto it = sections_.find(name);
        if (it == sections_.end()) continue;
        out.append(name);
        out.append("{\n");
        for (const auto& l : it->second) {
            out.append(l);
            out.push_back('\n');
        }
        out.append("}\n\n");
    }
}

const std::vector<std::string>* VerbatimReportStore::section(std::string_view name) const {
    const auto it = sections_.find(name);
    return it == sections_.end() ? nullptr : &it->second;
}

}  // namespace tubra::model
