// Message boxes: routed to the embedding program's handler, or answered unattended.
#include "host/impl/SceneState.h"

#include <cstdio>

namespace {
MessageBoxHandler& currentHandler() {
    static MessageBoxHandler handler;
    return handler;
}

const char* buttonsOf(unsigned type) {
    switch (type & 0xFu) {
    case 0x1u:
        return "OK/Cancel";
    case 0x2u:
        return "Abort/Retry/Ignore";
    case 0x3u:
        return "Yes/No/Cancel";
    case 0x4u:
        return "Yes/No";
    case 0x5u:
        return "Retry/Cancel";
    default:
        return "OK";
    }
}
} // namespace

void setMessageBoxHandler(MessageBoxHandler handler) {
    currentHandler() = std::move(handler);
}

MessageBoxHandler messageBoxHandler() {
    return currentHandler();
}

int unattendedAnswer(unsigned type) {
    switch (type & 0xFu) {
    case 0x0u:
        return IDOK;
    case 0x2u:
        return IDABORT;
    case 0x4u:
        return IDNO;
    default: // OK/Cancel, Yes/No/Cancel, Retry/Cancel
        return IDCANCEL;
    }
}

namespace hostimpl {
int showMessageBox(const MessageBoxCall& call) {
    // The SDK: with suppressPrompts "the plug-in must not display any dialogs requiring user
    // input" (impexp.h), and GetQuietMode "should be called before displaying any dialogs"
    // (maxapi.h).
    if (dialogsForbidden())
        misuse("MessageBox \"" + narrow(call.text) +
               "\" shown while prompts are suppressed or the host is in quiet mode");
    if (currentHandler())
        return currentHandler()(call);
    int answer = unattendedAnswer(call.type);
    std::fprintf(stderr, "message box [%s]: %s (%s; answered %d)\n", narrow(call.caption).c_str(),
                 narrow(call.text).c_str(), buttonsOf(call.type), answer);
    return answer;
}
} // namespace hostimpl

MessageBoxRecorder::MessageBoxRecorder() : previous(messageBoxHandler()) {
    setMessageBoxHandler([this](const MessageBoxCall& call) { return respond(call); });
}

MessageBoxRecorder::~MessageBoxRecorder() {
    setMessageBoxHandler(previous);
}

int MessageBoxRecorder::respond(const MessageBoxCall& call) {
    recorded.push_back(call);
    if (!queued.empty()) {
        int id = queued.front();
        queued.pop_front();
        return id;
    }
    return hasFallback ? fallback : unattendedAnswer(call.type);
}
