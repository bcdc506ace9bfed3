#pragma once
// Recorded sessions: a plain-text script of what a user does in a drawing view, one action a
// line, that `tubra-cli play` replays and the window records.
//
//   # comment                     blank lines and comments are ignored
//   new [ELEVATION [ALPHA BETA]]  a new drawing (first-point elevation, axis angles)
//   command ID                    a menu or tool-bar command
//   click X Y [shift] [ctrl]      left click at the model point (X, Y)
//   rclick X Y                    right click
//   move X Y                      mouse move without buttons
//   drag X1 Y1 X2 Y2              left-button drag
//   rdrag X1 Y1 X2 Y2             right-button drag (zooms by the vertical distance)
//   key NAME                      a key as the view gets it ("Delete", "T", "Ctrl+Z", "Escape")
//   answer yes|no|ok|cancel       the answer to the next message box
//   dialog NAME=VALUE ... [BUTTON] the next dialog: fields by name, then its button (default ok)
//   expect-message TEXT           the last message box said TEXT
//   save [PATH]                   saves the drawing
//   window N                      the drawing window N becomes the active one (from 1, in the
//                                 order the session made them)
//   close                         the active window closes without saving; the one made last
//                                 of those left becomes active
//   open PATH                     a new window on the drawing file PATH
//   open PATH unsaved [ORIGINAL]  a new window on the drawing PATH holds, standing for a drawing
//                                 with unsaved changes: it belongs to ORIGINAL (untitled without
//                                 it) and is modified, so a save without a path writes there
//   new-window                    another window on the active window's drawing
// and checks for tests:
//   expect-count N [MAINTYPE]     number of objects (of one kind)
//   expect-discarded N            number of objects in the discard box
//   expect-selected N             number of selected objects
//   expect-status TEXT            the status line
//   expect-object I NAME=VALUE... fields of object I (from 0; -1 is the last)
//   expect-modified yes|no        whether the drawing has changes a save would keep
//
// Values with blanks are written in double quotes; inside quotes \" \\ \n \r and \t stand for
// a quote, a backslash, a line feed, a carriage return and a tab.

#include <string>
#include <string_view>
#include <vector>

#include "platform/Result.h"

namespace tubra::edit {

struct ScriptLine {
    enum class Kind {
        New,
        Command,
        Click,
        RightClick,
        Move,
        Drag,
        RightDrag,
        Key,
        Answer,
        Dialog,
        ExpectMessage,
        Save,
        ExpectCount,
        ExpectDiscarded,
        ExpectSelected,
        ExpectStatus,
        ExpectObject,
        ExpectModified,
        Window,
        Close,
        Open,
        NewWindow,
    };
    int number = 0;  // line number in the script, from 1
    Kind kind = Kind::Move;
    std::vector<double> numbers;      // coordinates, elevation, ids and counts
    std::vector<std::string> tokens;  // dialog and expect-object tokens, unquoted; open: unsaved [ORIGINAL]
    std::string text;                 // key name, answer, message, path
    bool shift = false;
    bool ctrl = false;
};

struct ParsedScript {
    std::vector<ScriptLine> lines;
    bool ok = true;
    int errorLine = 0;
    std::string error;
};

ParsedScript parseSessionScript(std::string_view script);

// Splits a line into tokens: blanks separate them, double quotes group blanks into one.
// An unterminated quote is an error.
platform::Result<std::vector<std::string>> tokenizeSessionLine(std::string_view line);

// A token as a script writes it: quoted (with escapes) when it holds blanks, quotes,
// backslashes or control characters, or is empty.
std::string quoteSessionValue(std::string_view value);
// NAME=VALUE with the value quoted as needed.
std::string sessionFieldToken(std::string_view name, std::string_view value);
// A text with its control characters written out (\n, \r, \t, \x1B, ...), for messages that
// quote what a script holds: a script never sends raw control sequences to a terminal.
std::string escapeControls(std::string_view text);
// A model coordinate as scripts write it: the shortest text that reads back to the same number.
std::string sessionNumber(double v);

}  // namespace tubra::edit
