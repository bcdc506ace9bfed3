#pragma once
// Where the user help is: installed beside the program, or in the source tree of a build.

#include <QString>

namespace tubra::app {

// The help's start page, empty when none is found.
QString HelpIndexPath();

}  // namespace tubra::app
