#pragma once

#include <string_view>

namespace platform::qt {

// Called before the QApplication of a desktop program. Where there is no display to open a
// window on (none named, or the one named cannot be reached), the program says so in Chinese on
// standard error, names `alternative` (what works without one) and ends with status 1, instead
// of Qt's English message and an abort.
void refuseWithoutDisplay(std::string_view program, std::string_view alternative);

// Called once the QApplication stands: Qt's messages go where they went before.
void displayOpened();

// The message of that refusal.
std::string_view noDisplayMessage(std::string_view program, std::string_view alternative);

}  // namespace platform::qt
