#pragma once

namespace tubra::cli {

// tubra-cli print FILE -o OUT.pdf: the pages the drawing program prints for FILE, as PDF.
// Arguments are those after the word "print". Exit code 0 printed, 1 the file could not be
// read or the PDF not written, 2 a wrong command line.
int runPrint(int argc, char** argv);

}  // namespace tubra::cli
