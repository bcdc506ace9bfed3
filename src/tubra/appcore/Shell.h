#pragma once
// What the drawing program's window carries out itself: files, printing, its windows and bars,
// help, recording, and the drawing in other forms (exports, the material list, the 3D view).
// The commands of the command table name these (Commands.cpp); the window implements them.
// Qt-free, so the table stays below the window.

namespace tubra::app {

class Shell {
public:
    // Whether a drawing is open (commands that need one are unavailable otherwise).
    virtual bool hasDrawing() const = 0;

    // --- files and printing ---
    virtual void newDrawing() = 0;
    virtual void openDrawing() = 0;
    virtual void closeDrawing() = 0;
    virtual void save() = 0;
    virtual void saveAs() = 0;
    virtual void print() = 0;
    virtual void printPreview() = 0;
    virtual void printSetup() = 0;
    virtual void exitProgram() = 0;

    // --- the drawing in other forms ---
    virtual void importPcfFile() = 0;  // asks for a PCF and opens its drawing as a new one
    virtual void exportPcf() = 0;
    virtual void exportDxf() = 0;
    virtual void materials() = 0;
    virtual void view3D() = 0;

    // --- bars and windows ---
    // Shows or hides the tool bar whose visibility command is `command`.
    virtual void toggleBar(int command) = 0;
    virtual bool barShown(int command) const = 0;
    virtual void toggleStatusBar() = 0;
    virtual bool statusBarShown() const = 0;
    virtual void openAnotherWindow() = 0;  // "新建窗口": one more window on the drawing
    virtual void cascade() = 0;
    virtual void tile() = 0;
    virtual void arrangeIcons() = 0;
    virtual void nextPane() = 0;
    virtual void previousPane() = 0;
    virtual bool severalWindows() const = 0;

    // --- help and recording ---
    virtual void help() = 0;
    virtual void about() = 0;
    virtual void recordSession() = 0;
    virtual void stopRecording() = 0;
    virtual bool mayRecord() const = 0;
    virtual bool isRecording() const = 0;

    // --- settings of the program ---
    virtual void recoverySettings() = 0;  // when recovery copies are written

protected:
    ~Shell() = default;
};

}  // namespace tubra::app
