#pragma once
// A hook for the tests that run the program as a process (a crash played with SIGKILL, then
// a new start): TUBRA_TEST_HOOK lists what the hook does, comma-separated. Users never set it;
// it is in no menu and documented for tests only (docs/sessions.md).
//
//   edits=N        after start-up, N edits of the active drawing through its commands, then
//                  "ready copies=<n>" on standard output once the recovery copies are written
//   expect=PATH    with edits: the drawing as it stands then, as saving would write it
//   recover        answers the recovery dialog with 恢复
//   save-quit      after start-up (and recovery), saves the active drawing and ends

namespace tubra::app {

class MainWindow;

// Arms what must answer during start-up. Does nothing without the variable.
void armTestHook(MainWindow& window);
// The steps after start-up.
void runTestHook(MainWindow& window);

}  // namespace tubra::app
