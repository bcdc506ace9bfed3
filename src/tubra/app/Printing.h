#pragma once
// Printing a view: the paper for its sheet, the page loop on a printer, and the direct print
// of a file from the command line (no window).

#include <iosfwd>
#include <optional>
#include <string>

#include "platform/Prompter.h"

#include "tubra/model/Document.h"
#include "tubra/view/ViewState.h"

class QPrinter;

namespace tubra::app {

class Interaction;

// Sets the paper of `printer` to what the view prints: the drawing's sheet (A4 or A3) in
// landscape, report pages on A4 in portrait. Margins as small as the printer allows.
void setPaperForView(QPrinter& printer, const model::Document& doc, const view::ViewState& view);

// The warning the window gives before printing a view whose print cuts texts short with "…"
// (a title block text too long for its cell, a report value nothing can continue); none when
// everything prints whole. Answering Yes prints anyway.
std::optional<platform::Message> cutTextsWarning(const model::Document& doc, const view::ViewState& view);

// Prints the view's pages on `printer`. Returns the number of pages printed, 0 when the
// printer could not be used.
int printView(model::Document& doc, view::ViewState& view, QPrinter& printer);

// "/p FILE": opens the file, prints it on the default printer as its view would, and closes
// it. Problems are reported on `err`. Returns the exit code: 0 printed, 1 the file could not
// be opened or printed, 3 no printer is installed.
int printFileDirectly(model::AppContext& app, Interaction& interaction, const std::string& path,
                      std::ostream& err);

}  // namespace tubra::app
