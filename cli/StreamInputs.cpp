#include "cli/StreamInputs.h"

#include "cli/Console.h"
#include "cli/Platform.h"
#include "format/FilePaths.h"
#include "format/TextField.h"

#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace mshtool {
namespace {

namespace fs = std::filesystem;

bool isStream(const fs::path& path) {
    std::error_code code;
    fs::file_status status = fs::status(path, code);
    return !code &&
           (status.type() == fs::file_type::fifo || status.type() == fs::file_type::character ||
            status.type() == fs::file_type::socket);
}

// Copies all of `from` into a new file `to`; false with `reason` when a read or write failed.
bool copyWhole(const fs::path& from, const fs::path& to, std::string& reason) {
    using File = std::unique_ptr<FILE, int (*)(FILE*)>;
    File in(openFileForReading(fromUtf8(pathText(from))), &std::fclose);
    if (!in) {
        reason = lastErrorText();
        return false;
    }
    File out(openFileForWriting(fromUtf8(pathText(to))), &std::fclose);
    if (!out) {
        reason = "cannot make a temporary copy in " + pathText(to.parent_path()) + ": " +
                 lastErrorText();
        return false;
    }
    std::vector<char> buffer(1 << 16);
    for (size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;)
        if (std::fwrite(buffer.data(), 1, got, out.get()) != got) {
            reason = "cannot write its temporary copy: " + lastErrorText();
            return false;
        }
    if (std::ferror(in.get())) {
        reason = lastErrorText();
        return false;
    }
    if (std::fclose(out.release()) != 0) {
        reason = "cannot write its temporary copy: " + lastErrorText();
        return false;
    }
    return true;
}

fs::path newPrivateFolder() {
    std::random_device seed;
    fs::path folder = fs::temp_directory_path() /
                      ("mshtool-input-" + std::to_string(seed()) + std::to_string(seed()));
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
    return folder;
}

} // namespace

StreamInputs::~StreamInputs() {
    if (folder.empty())
        return;
    std::error_code code;
    fs::remove_all(folder, code);
}

std::string StreamInputs::readable(const std::string& path) {
    if (!isStream(pathOf(path)))
        return path;
    std::string reason;
    try {
        if (folder.empty())
            folder = newPrivateFolder();
        // In a folder of its own, under the name given, so that what the name tells
        // (an extension, the stem of the outputs) still holds.
        fs::path copy = folder / std::to_string(copies++);
        fs::create_directory(copy);
        copy /= pathOf(path).filename();
        if (copyWhole(pathOf(path), copy, reason)) {
            showInputAs(pathText(copy), path);
            return pathText(copy);
        }
    } catch (const fs::filesystem_error& e) {
        reason = "cannot make a temporary copy: " + e.code().message();
    }
    printMessage("mshtool: " + path + ": cannot read it whole: " + reason);
    return path;
}

} // namespace mshtool
