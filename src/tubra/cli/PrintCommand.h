#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tubra::cli {

// tubra-cli print FILE [--report full|online|N] -o OUT.pdf: the pages the drawing program
// prints for FILE, as PDF: what the file was saved showing (its sheet or its report page), or
// with --report the shown pages of the full set (full), of the online set (online) or report
// page index N alone. Arguments are those after the word "print". Exit code 0 printed, 1 the
// file could not be read, it shows no report pages, or the PDF was not written; 2 a wrong
// command line.
int runPrint(int argc, char** argv);

// The report page index of a --report argument: "full" 22, "online" 28, or a page index
// (0..17, 22, 23..26, 28). None for anything else.
std::optional<int> reportPageArgument(std::string_view argument);

// What is wrong with a --report value that reportPageArgument refuses, naming the allowed ones.
std::string reportValueProblem(std::string_view argument);

}  // namespace tubra::cli
