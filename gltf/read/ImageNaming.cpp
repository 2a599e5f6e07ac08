#include "gltf/read/ImageNaming.h"

#include "format/TextField.h"
#include "scene/CaseFolding.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace mshgltf {
namespace {

namespace fs = std::filesystem;

bool fitsFileName(wchar_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c > 0xFF)
        return false;
    return std::wstring(L"/\\:*?\"<>|").find(c) == std::wstring::npos;
}

bool isLetterOrDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') ||
           (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7);
}

std::string extensionOfMime(const std::string& mime) {
    if (mime == "image/png")
        return ".png";
    if (mime == "image/jpeg")
        return ".jpg";
    if (mime == "image/bmp")
        return ".bmp";
    if (mime == "image/gif")
        return ".gif";
    if (mime == "image/webp")
        return ".webp";
    if (mime == "image/ktx2")
        return ".ktx2";
    return "";
}

// The type of an image without (or with an unknown) MIME type, from its first bytes.
std::string extensionOfBytes(const std::vector<unsigned char>& b) {
    auto starts = [&](const char* magic, size_t n) {
        return b.size() >= n &&
               std::equal(magic, magic + n, b.begin(),
                          [](char m, unsigned char c) { return (unsigned char)m == c; });
    };
    if (starts("\x89PNG", 4))
        return ".png";
    if (starts("\xFF\xD8\xFF", 3))
        return ".jpg";
    if (starts("BM", 2))
        return ".bmp";
    if (starts("GIF8", 4))
        return ".gif";
    return ".bin";
}

// A last dot further back than any file type's is part of the name.
void splitExtension(const std::string& name, std::string& stem, std::string& ext) {
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot > 8) {
        stem = name;
        ext.clear();
    } else {
        stem = name.substr(0, dot);
        ext = name.substr(dot);
    }
}

// `stem` + `suffix` + `ext` cut so that the whole stays within the texture field; characters
// are Latin-1 here, so one character counts as one stored byte.
std::string fitted(const std::string& stem, const std::string& suffix, const std::string& ext) {
    std::wstring wideStem = fromUtf8(stem);
    size_t room =
        maxTextureNameBytes - std::min(maxTextureNameBytes, fromUtf8(suffix + ext).size());
    if (wideStem.size() > room)
        wideStem.resize(room);
    return toUtf8(wideStem) + suffix + ext;
}

std::string typeExtension(const ImageData& image) {
    std::string ext = extensionOfMime(image.mimeType);
    return ext.empty() ? extensionOfBytes(image.bytes) : ext;
}

} // namespace

std::string nameFromSource(const ImageData& image) {
    if (!image.embedded || image.sourceName.empty())
        return image.sourceName;
    std::string stem, own;
    splitExtension(image.sourceName, stem, own);
    static const std::set<std::string> imageExtensions = {".png",  ".jpg",  ".jpeg", ".bmp", ".gif",
                                                          ".webp", ".ktx2", ".tga",  ".dds"};
    if (!imageExtensions.count(caseFolded(own)))
        stem = image.sourceName;
    return stem + typeExtension(image);
}

std::string freeImageName(const std::string& name, const std::vector<unsigned char>& bytes,
                          const std::string& folder, const std::set<std::string>& taken,
                          bool& occupied) {
    std::string stem, ext;
    splitExtension(name, stem, ext);
    std::string candidate = name;
    occupied = false;
    for (int n = 1;; ++n) {
        std::error_code code;
        fs::path target = fs::u8path(folder) / fs::u8path(candidate);
        bool otherFile =
            !bytes.empty() && fs::exists(target, code) && !fileHoldsBytes(target.u8string(), bytes);
        if (!taken.count(caseFolded(candidate)) && !otherFile)
            return candidate;
        occupied = occupied || otherFile;
        candidate = fitted(stem, "_" + std::to_string(n), ext);
    }
}

std::string safeTextureName(const std::string& name) {
    std::wstring wide = fromUtf8(name), safe;
    bool anyLetter = false;
    for (wchar_t c : wide) {
        if (fitsFileName(c)) {
            safe += c;
            anyLetter = anyLetter || isLetterOrDigit(c);
        } else if (safe.empty() || safe.back() != L'_') {
            safe += L'_';
        }
    }
    size_t first = safe.find_first_not_of(L". ");
    size_t last = safe.find_last_not_of(L". ");
    if (!anyLetter || first == std::wstring::npos)
        return "";
    std::string stem, ext;
    splitExtension(toUtf8(safe.substr(first, last - first + 1)), stem, ext);
    return fitted(stem, "", ext);
}

bool fileHoldsBytes(const std::string& file, const std::vector<unsigned char>& bytes) {
    // The size first: a batch asks this of every model's bitmap.
    std::error_code code;
    uintmax_t size = fs::file_size(fs::u8path(file), code);
    if (code || size != bytes.size())
        return false;
    std::ifstream in(fs::u8path(file), std::ios::binary);
    std::vector<unsigned char> existing(bytes.size());
    if (!bytes.empty())
        in.read(reinterpret_cast<char*>(existing.data()), std::streamsize(existing.size()));
    return in && existing == bytes;
}

void nameImages(std::vector<ImageData>& images, const std::string& folder,
                const std::string& outputStem, BridgeReport& report) {
    std::string stemOfOutput = safeTextureName(outputStem);
    if (stemOfOutput.empty())
        stemOfOutput = "texture";
    std::set<std::string> taken; // case-folded names given to earlier images
    for (size_t i = 0; i < images.size(); ++i) {
        ImageData& image = images[i];
        if (!image.used)
            continue;
        std::string wanted = nameFromSource(image);
        std::string safe = safeTextureName(wanted);
        if (safe.empty())
            safe = stemOfOutput + "_" + std::to_string(i) + typeExtension(image);
        bool occupied = false;
        image.fileName = freeImageName(safe, image.bytes, folder, taken, occupied);
        taken.insert(caseFolded(image.fileName));
        std::string label = "image " + (wanted.empty() ? std::to_string(i) : wanted);
        if (!wanted.empty() && safe != wanted)
            report.warnings.push_back(
                label + ": a model file cannot hold this name; stored and written as " +
                image.fileName);
        else if (occupied)
            report.warnings.push_back(label + ": " + safe +
                                      " beside the output holds another picture; written as " +
                                      image.fileName + " instead");
    }
}

} // namespace mshgltf
