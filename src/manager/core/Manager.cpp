#include "manager/core/Manager.h"

#include <unistd.h>

#include <algorithm>

#include "manager/core/Exports.h"
#include "manager/core/ListFields.h"
#include "tubra/model/DrawingFile.h"
#include "platform/AtomicFile.h"
#include "text/CFormat.h"
#include "text/Gbk.h"

namespace manager {

using common::isWorkbookName;
using common::writeWorkbook;

namespace fs = std::filesystem;
using platform::Answer;
using platform::Buttons;
using platform::Message;
using platform::MessageIcon;

namespace {

Message message(std::string_view text, std::string_view caption, Buttons buttons = Buttons::Ok,
                MessageIcon icon = MessageIcon::None, Answer defaultAnswer = Answer::Ok) {
    return {std::string(text), std::string(caption), buttons, icon, defaultAnswer};
}

Message question(std::string_view text, std::string_view caption, MessageIcon icon = MessageIcon::Question) {
    return message(text, caption, Buttons::YesNo, icon, Answer::Yes);
}

}  // namespace

std::vector<fs::path> drawingProgramCandidates(const fs::path& startDirectory, const fs::path& programDirectory) {
    const fs::path name{std::string(kDrawingProgramName)};
    std::vector<fs::path> candidates;
    if (!startDirectory.empty()) candidates.push_back(startDirectory / name);
    if (!programDirectory.empty()) {
        candidates.push_back(programDirectory / name);
        candidates.push_back((programDirectory / ".." / ".." / "tubra" / "app" / name).lexically_normal());
    }
    return candidates;
}

fs::path findDrawingProgram(const std::vector<fs::path>& candidates) {
    for (const fs::path& p : candidates) {
        std::error_code ec;
        if (fs::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0) return p;
    }
    return {};
}

std::string fileInformationText(const PipelineList& list, int row) {
    constexpr std::size_t kCellBytes = 39;
    constexpr std::size_t kTextBytes = 999;
    static const char* const kLines[12] = {
        "%s管线名:\t\t%s\n\n",   "%s管线编号:\t%s\n\n",  "%s管线类别:\t%s\n\n",
        "%s管内介质:\t%s\n\n",   "%s工作压力MPa:\t%s\n\n", "%s工作温度℃:\t%s\n\n",
        "%s起 止 点:\t\t%s\n\n", "%s保温介质:\t%s\n\n",  "%s投用日期:\t%s\n\n",
        "%s管线材料:\t%s\n\n",   "%s管线规格:\t%s\n\n",  "%s管线长度m:\t%s\n"};
    const ListRow& r = list.row(row);
    auto cell = [&](int c) { return text::gbkToUtf8(text::gbkCut(r.cell(c), kCellBytes)); };
    std::string s = text::format("路　径:\t\t%s\n", list.directory.string());
    s = text::format("%s文件名:\t\t%s\n", s, cell(kColFileName));
    for (int i = 0; i < 24; ++i) s += "—";
    s += "\n\n";
    for (int c = 1; c <= 12; ++c) s = text::format(kLines[c - 1], s, cell(c));
    // The text is limited as GBK bytes, as it was always shown.
    return text::gbkToUtf8(text::gbkCut(text::utf8ToGbk(s), kTextBytes));
}

Manager::Manager(platform::Prompter& prompter, platform::FormHost& forms, ProgramStarter& starter)
    : prompter_(prompter), forms_(forms), starter_(starter) {}

bool Manager::startDrawingProgram(const std::vector<std::string>& arguments) {
    return starter_.start(arguments, list.directory.empty() ? startDirectory : list.directory);
}

void Manager::openOrNew(const Selection& selected) {
    if (!selected.empty()) {
        if (!startDrawingProgram({list.pathOf(selected.front()).string()}))
            prompter_.ask(message(messages::kStartFailed, messages::kErrorCaption, Buttons::Ok, MessageIcon::Warning));
        return;
    }
    if (list.directory.empty()) return;
    if (prompter_.ask(question(messages::kNewDrawing, messages::kNewDrawingCaption)) != Answer::Yes) return;
    const fs::path placeholder = list.directory / std::string(kNewDrawingPlaceholder);
    if (const std::error_code ec = platform::writeFileAtomically(placeholder, {}).error()) {
        prompter_.ask(message(messages::kExportFailed, placeholder.string(), Buttons::Ok, MessageIcon::Warning));
        return;
    }
    std::error_code ec;
    fs::current_path(list.directory, ec);
    if (!startDrawingProgram({placeholder.string()}))
        prompter_.ask(message(messages::kStartFailed, messages::kErrorCaption, Buttons::Ok, MessageIcon::Warning));
}

void Manager::batchOpen(const Selection& selected) {
    for (const int row : selected) {
        if (startDrawingProgram({list.pathOf(row).string()})) continue;
        if (prompter_.ask(question(messages::kOpenFailed, messages::kErrorCaption)) != Answer::Yes) return;
    }
}

void Manager::batchPrint(const Selection& selected) {
    if (prompter_.ask(question(messages::kPrintQuestion, messages::kPrintQuestionCaption,
                               MessageIcon::Information)) != Answer::Yes)
        return;
    if (printing_) {
        prompter_.ask(message(messages::kStillPrinting, messages::kStillPrintingCaption, Buttons::Ok,
                              MessageIcon::Information));
        return;
    }
    printing_ = true;
    for (const int row : selected) {
        if (startDrawingProgram({"/p", list.pathOf(row).string()})) continue;
        if (prompter_.ask(question(messages::kPrintFailed, messages::kErrorCaption)) != Answer::Yes) break;
    }
    printing_ = false;
}

void Manager::printNotAvailable() {
    prompter_.ask(message(messages::kNotAvailable, messages::kTitle, Buttons::Ok, MessageIcon::Information));
}

bool Manager::deleteFiles(const Selection& selected) {
    if (selected.empty()) return false;
    if (prompter_.ask(question(messages::kDeleteQuestion, messages::kDeleteCaption, MessageIcon::Warning)) !=
        Answer::Yes)
        return false;
    for (const int row : selected) {
        std::error_code ec;
        const fs::path path = list.pathOf(row);
        if (!fs::remove(path, ec) || ec)
            prompter_.ask(message(messages::kDeleteFailed, path.string(), Buttons::Ok, MessageIcon::Warning));
    }
    return true;
}

void Manager::fileInformation(const Selection& selected) {
    if (selected.empty()) return;
    prompter_.ask(message(fileInformationText(list, selected.front()), messages::kFileInfoCaption));
}

Manager::EditOutcome Manager::changeSection(SectionKind kind, const Selection& selected) {
    if (selected.empty()) return {};
    const std::string remembered(list.row(selected.front()).cell(kColNumber));
    const fs::path first = list.pathOf(selected.front());
    std::string data;
    if (const std::error_code ec = tubra::model::readDrawingFile(first, data).error()) {
        prompter_.ask(fileErrorMessage({FileError::Read, first, ec}));
        return {};
    }
    SectionEditForm form(kind, readSectionValues(data, kind));
    if (!forms_.run(form)) return {};
    std::vector<fs::path> files;
    for (const int row : selected) files.push_back(list.pathOf(row));
    for (const FileError& e : changeSectionValue(files, kind, form.chosenRow(), form.newValue(), true))
        prompter_.ask(fileErrorMessage(e));
    return {true, remembered};
}

bool Manager::mergeRows(const Selection& selected) {
    if (selected.size() < 2) return false;
    float sum = 0;
    for (const int row : selected) sum += static_cast<float>(cellNumber(list.row(row).cell(kColLength)));
    MergeRowsForm form(std::string(list.row(selected.front()).cell(kColPipeNumber)), sum);
    if (!forms_.run(form)) return false;
    list.mergeRows(selected, form.number(), text::utf8ToGbk(form.length()));
    return true;
}

bool Manager::deleteRows(const Selection& selected) {
    if (selected.empty()) return false;
    list.removeRows(selected);
    return true;
}

bool Manager::changeNumber(const Selection& selected) {
    if (selected.empty()) return false;
    ListRow& row = list.rows.at(static_cast<std::size_t>(selected.front()));
    ChangeNumberForm form{std::string(row.cell(kColPipeNumber))};
    if (!forms_.run(form)) return false;
    row.setCell(kColPipeNumber, form.number());
    return true;
}

std::vector<ReportCopyForm::Entry> Manager::entries(const Selection& selected) const {
    std::vector<ReportCopyForm::Entry> result;
    for (const int row : selected)
        result.push_back({std::string(list.row(row).cell(kColPipeNumber)), std::string(list.row(row).cell(kColFileName)),
                          list.pathOf(row)});
    return result;
}

void Manager::openReportCopy(const Selection& selected) {
    if (selected.size() == 1) {
        reportCopy_.setTemplate(entries(selected).front());
    } else if (selected.size() > 1) {
        reportCopy_.clearTargets();
        reportCopy_.addTargets(entries(selected));
    }
}

void Manager::reportCopyClicked(const Selection& selected) { reportCopy_.listClicked(entries(selected)); }

bool Manager::exportText(std::string_view chosen) {
    const fs::path path{textExportFileName(chosen)};
    if (isDrawingOutput(path, list)) {
        prompter_.ask(message(messages::kOutputIsDrawing, messages::kCensusEmptyCaption, Buttons::Ok, MessageIcon::Warning));
        return false;
    }
    if (platform::writeFileAtomically(path, textExport(list)).failed()) {
        prompter_.ask(message(messages::kExportFailed, messages::kExportFailedCaption, Buttons::Ok, MessageIcon::Error));
        return false;
    }
    prompter_.ask(message(messages::kExportDone, messages::kExportDoneCaption, Buttons::Ok, MessageIcon::Information));
    return true;
}

bool Manager::exportWorkbook(const fs::path& path) {
    if (isDrawingOutput(path, list)) {
        prompter_.ask(message(messages::kOutputIsDrawing, messages::kCensusEmptyCaption, Buttons::Ok, MessageIcon::Warning));
        return false;
    }
    if (writeWorkbook(path, listWorkbook(list)).failed()) {
        prompter_.ask(message(messages::kExportFailed, messages::kExportFailedCaption, Buttons::Ok, MessageIcon::Error));
        return false;
    }
    prompter_.ask(message(text::format(messages::kWorkbookDone, path.string()), messages::kExportDoneCaption,
                          Buttons::Ok, MessageIcon::Information));
    return true;
}

bool Manager::exportCensus(std::string_view nodeText, const fs::path& nodePath, bool workbook) {
    if (list.rows.empty()) {
        prompter_.ask(message(messages::kCensusEmpty, messages::kCensusEmptyCaption, Buttons::Ok, MessageIcon::Warning));
        return false;
    }
    const std::string_view name = workbook ? kCensusWorkbookName : kCensusFileName;
    CensusExportForm form{std::string(nodeText), (nodePath / std::string(name)).string()};
    if (!forms_.run(form)) return false;
    const fs::path out{form.output()};
    if (isDrawingOutput(out, list)) {
        prompter_.ask(message(messages::kOutputIsDrawing, messages::kCensusEmptyCaption, Buttons::Ok, MessageIcon::Warning));
        return false;
    }
    const std::string device = text::utf8ToGbk(form.device());
    const platform::Result<> written = isWorkbookName(out) ? writeWorkbook(out, censusWorkbook(list, device))
                                                           : platform::writeFileAtomically(out, censusExport(list, device));
    if (written.failed()) {
        prompter_.ask(message(messages::kExportFailed, messages::kExportFailedCaption, Buttons::Ok, MessageIcon::Error));
        return false;
    }
    prompter_.ask(message(text::format(messages::kCensusDone, out.string()), messages::kCensusDoneCaption,
                          Buttons::Ok, MessageIcon::Information));
    return true;
}

bool Manager::exportLengthCheck(const std::vector<LengthMismatch>& result, const fs::path& path) {
    if (isDrawingOutput(path, list)) {
        prompter_.ask(message(messages::kOutputIsDrawing, messages::kCensusEmptyCaption, Buttons::Ok, MessageIcon::Warning));
        return false;
    }
    if (writeWorkbook(path, lengthCheckWorkbook(result)).failed()) {
        prompter_.ask(message(messages::kExportFailed, messages::kExportFailedCaption, Buttons::Ok, MessageIcon::Error));
        return false;
    }
    prompter_.ask(message(text::format(messages::kWorkbookDone, path.string()), messages::kExportDoneCaption,
                          Buttons::Ok, MessageIcon::Information));
    return true;
}

}  // namespace manager
