#pragma once
// The texts a dialog hands to the drawing file, checked before OK is accepted: a character the
// file cannot carry (tubra/model/FileText.h) or GBK does not have is replaced in its box, and
// the dialog names the characters it replaced and stays open, so that nothing is saved broken
// without the user seeing it.

#include <optional>
#include <string>
#include <vector>

#include "platform/Prompter.h"
#include "tubra/model/FileText.h"

namespace tubra::edit {

// One box of a dialog: its text (UTF-8) and where it lands in the file.
struct FileBox {
    std::string utf8;
    model::TextPlace place = model::TextPlace::Line;
};

// Replaces in every box what the file cannot carry. Returns the message that names the
// characters replaced and their substitutes, none when every text could stay as it was.
std::optional<platform::Message> replaceUncarried(std::vector<FileBox>& boxes);

}  // namespace tubra::edit
