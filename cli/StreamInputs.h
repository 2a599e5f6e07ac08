#pragma once
// Inputs that can be read only once, front to back (a pipe, `<(...)`, a terminal): the
// readers seek and open a file several times, so such an input is first read whole into a
// private temporary copy, which is read in its place and shown under the name given.

#include <filesystem>
#include <string>

namespace mshtool {

class StreamInputs {
public:
    StreamInputs() = default;
    /// Removes the copies.
    ~StreamInputs();
    StreamInputs(const StreamInputs&) = delete;
    StreamInputs& operator=(const StreamInputs&) = delete;

    /// `path` when it is anything but a stream (a file, a folder, missing); otherwise the
    /// copy of all the stream held, which messages and results show as `path`. `path`, after
    /// saying why on stderr, when the stream cannot be read or copied.
    std::string readable(const std::string& path);
    /// Whether some input was a stream: only this process has its copy, so a batch of it
    /// stays in this process.
    bool holdsCopies() const { return copies > 0; }

private:
    std::filesystem::path folder; ///< holds the copies; made on first use
    size_t copies = 0;
};

} // namespace mshtool
