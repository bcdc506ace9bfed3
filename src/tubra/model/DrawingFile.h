#pragma once
// The text form of a drawing (*.hcd): sections "2dDrawing {", "Object{" (one per object),
// "TeXingBiao{", "Title{", then the report sections. GBK bytes, LF line ends.

#include <string>
#include <string_view>

#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingSettings.h"

namespace tubra::model {

// Appends the whole file to `out`. Sets the drawing's `Total` to the object count after
// writing the `Total` line, which carries the value held before. The report sections come
// from `drawing.report` when it is set.
void writeDrawing(Drawing& drawing, const DrawingSettings& settings, std::string& out);

// Reads a whole file into `drawing` and the shared `settings`: objects are appended, every
// value the file holds overwrites the current one, report sections go to `drawing.report`.
// Reading never fails: unknown lines are skipped and missing values keep their values.
void readDrawing(std::string_view data, Drawing& drawing, DrawingSettings& settings);

// The characters a single-line text of the drawing file cannot hold, replaced on writing:
// '}' would end the section on reading, CR and LF would end the line.
inline constexpr char kClosingBraceSubstitute = ']';

}  // namespace tubra::model
