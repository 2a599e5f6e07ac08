#include "cli/Console.h"

#include "cli/Platform.h"
#include "cli/PrintableText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace mshtool {
namespace {

struct ConsoleState {
    bool quiet = false;
    int progressTerminal = -1; ///< -1: not asked yet
    size_t progressWidth = 0;  ///< columns the progress line covers now
    std::string hiddenPath, shownPath;
    std::vector<std::pair<std::string, std::string>> inputCopies; ///< copy, name given
    std::string stdoutFailure;                                    ///< why a write to stdout failed
    bool stderrFailed = false;
    bool capturing = false;
    std::vector<CapturedText> captured;
};

ConsoleState& state() {
    static ConsoleState console;
    return console;
}

void replaceAll(std::string& text, const std::string& hidden, const std::string& shown) {
    if (hidden.empty())
        return;
    for (size_t at = text.find(hidden); at != std::string::npos;
         at = text.find(hidden, at + shown.size()))
        text.replace(at, hidden.size(), shown);
}

std::string withInputsShown(const std::string& line) {
    std::string text = line;
    for (const auto& copy : state().inputCopies)
        replaceAll(text, copy.first, copy.second);
    return text;
}

std::string withPathsShown(const std::string& line) {
    std::string text = withInputsShown(line);
    replaceAll(text, state().hiddenPath, state().shownPath);
    return text;
}

void capture(bool toStderr, const std::string& text) {
    std::vector<CapturedText>& captured = state().captured;
    if (!captured.empty() && captured.back().toStderr == toStderr)
        captured.back().text += text;
    else
        captured.push_back({toStderr, text});
}

void writeTo(FILE* stream, const std::string& text) {
    if (text.empty())
        return;
    if (state().capturing)
        return capture(stream == stderr, text);
    if (std::fwrite(text.data(), 1, text.size(), stream) == text.size())
        return;
    if (stream == stderr)
        state().stderrFailed = true;
    else if (state().stdoutFailure.empty())
        state().stdoutFailure = std::strerror(errno);
}

// Columns a UTF-8 text takes, counting one per character.
size_t columnsOf(const std::string& text) {
    size_t columns = 0;
    for (unsigned char c : text)
        columns += (c & 0xC0) != 0x80;
    return columns;
}

// The end of `text` within `columns` (a path's file name is its most telling part).
std::string lastColumns(const std::string& text, size_t columns) {
    if (columnsOf(text) <= columns)
        return text;
    size_t keep = columns > 3 ? columns - 3 : 0;
    size_t at = text.size();
    for (size_t kept = 0; at > 0 && kept < keep;) {
        --at;
        kept += ((unsigned char)text[at] & 0xC0) != 0x80;
    }
    return "..." + text.substr(at);
}

} // namespace

void setQuiet(bool quiet) {
    state().quiet = quiet;
}

void printResult(const std::string& line) {
    clearProgress();
    writeTo(stdout, printableText(withInputsShown(line)) + "\n");
}

void printRaw(const std::string& text) {
    clearProgress();
    writeTo(stdout, withInputsShown(text));
}

void printNote(const std::string& line) {
    if (!state().quiet)
        printResult(withPathsShown(line));
}

void printMessage(const std::string& line) {
    clearProgress();
    std::fflush(stdout); // in the order they happened when both go to one place
    writeTo(stderr, printableText(withPathsShown(line)) + "\n");
}

void printWarning(const std::string& line) {
    if (!state().quiet)
        printMessage(line);
}

void showPathsAs(const std::string& hidden, const std::string& shown) {
    state().hiddenPath = hidden;
    state().shownPath = shown;
}

bool showsProgress() {
    ConsoleState& s = state();
    if (s.capturing)
        return false;
    if (s.progressTerminal < 0)
        s.progressTerminal = isTerminal(stderr) ? 1 : 0;
    return s.progressTerminal == 1 && !s.quiet;
}

void showInputAs(const std::string& copy, const std::string& given) {
    state().inputCopies.emplace_back(copy, given);
}

void showProgress(const std::string& text) {
    if (!showsProgress())
        return;
    std::fflush(stdout);
    // One column short of the width: writing the last column wraps on some terminals.
    size_t width = size_t(terminalColumns()) - 1;
    std::string line = lastColumns(printableText(withInputsShown(text)), width);
    size_t columns = columnsOf(line);
    std::string erase(state().progressWidth > columns ? state().progressWidth - columns : 0, ' ');
    writeTo(stderr, "\r" + line + erase + std::string(erase.size(), '\b'));
    std::fflush(stderr);
    state().progressWidth = columns;
}

void clearProgress() {
    ConsoleState& s = state();
    // A capture is printed later, in its turn, and clears the line then.
    if (s.progressWidth == 0 || s.capturing)
        return;
    writeTo(stderr, "\r" + std::string(s.progressWidth, ' ') + "\r");
    std::fflush(stderr);
    s.progressWidth = 0;
}

void captureOutput() {
    state().capturing = true;
}

void stopCapturing() {
    state().capturing = false;
}

std::vector<CapturedText> takeCapturedOutput() {
    std::vector<CapturedText> texts;
    texts.swap(state().captured);
    return texts;
}

void printCaptured(const std::vector<CapturedText>& texts) {
    for (const CapturedText& captured : texts) {
        clearProgress();
        if (captured.toStderr)
            std::fflush(stdout); // as printMessage does
        writeTo(captured.toStderr ? stderr : stdout, captured.text);
    }
}

int finishOutput(int exitCode) {
    clearProgress();
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        if (state().stdoutFailure.empty())
            state().stdoutFailure = errno != 0 ? std::strerror(errno) : "the write failed";
        printMessage("mshtool: cannot write to standard output: " + state().stdoutFailure);
    }
    if (std::fflush(stderr) != 0 || std::ferror(stderr))
        state().stderrFailed = true;
    if (!state().stdoutFailure.empty() || state().stderrFailed)
        return 1;
    return exitCode;
}

} // namespace mshtool
