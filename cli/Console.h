#pragma once
// Everything mshtool prints goes through here: one line per message, text from files made
// printable, and on a terminal one progress line on stderr that is cleared before anything
// else is printed. Failed writes of stdout are noticed, so they can end the run with exit 1.

#include <string>
#include <vector>

namespace mshtool {

/// -q/--quiet: no progress, notes, warnings or summary; results and errors stay.
void setQuiet(bool quiet);

/// One line of a command's result on stdout (what `info` or `check` shows).
void printResult(const std::string& line);
/// Text on stdout as it is (JSON, help), without escaping.
void printRaw(const std::string& text);
/// One line on stdout saying what was done ("a.msh -> a.glb"); not shown when quiet.
void printNote(const std::string& line);
/// One message line on stderr: errors and losses.
void printMessage(const std::string& line);
/// One warning line on stderr; not shown when quiet.
void printWarning(const std::string& line);

/// Messages show paths under `hidden` as under `shown`: files are written in a staging folder
/// first, but the user asked for, and must read about, their final place. Empty `hidden`
/// ends it.
void showPathsAs(const std::string& hidden, const std::string& shown);

/// Everything printed from now on shows `copy` as `given`: an input read whole into a
/// temporary copy is still the input the user named.
void showInputAs(const std::string& copy, const std::string& given);

/// On a terminal (and not quiet): replaces the progress line on stderr with `text`.
void showProgress(const std::string& text);
/// Removes the progress line, if one is shown.
void clearProgress();
/// True when stderr is a terminal and progress lines are shown.
bool showsProgress();

/// Text a batch worker printed, kept in the order printed, for the parent to print.
struct CapturedText {
    bool toStderr;
    std::string text;
};
/// From now on nothing is written: printed text is kept (a batch worker's), and no progress.
void captureOutput();
/// Prints again from now on (after a capture of the batch parent's own).
void stopCapturing();
/// What was printed since the last call (all of it, with paths shown as their targets).
std::vector<CapturedText> takeCapturedOutput();
/// Prints what a worker captured, exactly as it would have printed it itself.
void printCaptured(const std::vector<CapturedText>& texts);

/// Clears the progress line and flushes stdout and stderr. A failed write on stdout is
/// reported on stderr; returns 1 after any failed write, else `exitCode`.
int finishOutput(int exitCode);

} // namespace mshtool
