// The bitmap manager: it finds files and reads their first bytes but keeps no pixels.
#include "host/embed/MemoryHost.h"
#include "host/impl/SceneState.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

class FileBitmap;

class MemoryBitmapManager : public BitmapManager {
public:
    MemoryBitmapManager() {
        hostimpl::addResetHook([this] {
            bitmaps.clear();
            requests.clear();
            found.clear();
            silent = FALSE;
        });
    }
    BOOL SilentMode() override { return silent; }
    BOOL SetSilentMode(BOOL s) override {
        BOOL previous = silent;
        silent = s;
        return previous;
    }
    BMMRES GetImageInfo(BitmapInfo* bi, const MCHAR* filename) override;
    Bitmap* Load(BitmapInfo* bi, BMMRES* status) override;
    Bitmap* Create(BitmapInfo* bi) override;
    void release(Bitmap* bitmap) {
        bitmaps.erase(std::remove_if(
                          bitmaps.begin(), bitmaps.end(),
                          [bitmap](const std::unique_ptr<Bitmap>& b) { return b.get() == bitmap; }),
                      bitmaps.end());
    }

    std::vector<std::unique_ptr<Bitmap>> bitmaps;
    std::vector<std::wstring> requests;
    std::vector<std::wstring> found;
    BOOL silent = FALSE;

private:
    BMMRES examine(const std::wstring& path);
};

class FileBitmap : public Bitmap {
public:
    explicit FileBitmap(MemoryBitmapManager& manager) : owner(manager) {}
    int Width() override { return 0; }
    int Height() override { return 0; }
    void DeleteThis() override { owner.release(this); }

private:
    MemoryBitmapManager& owner;
};

MemoryBitmapManager& manager() {
    static MemoryBitmapManager* instance = new MemoryBitmapManager(); // outlives static teardown
    return *instance;
}

// The path as given, or with Windows separators made native; empty when neither is a file.
std::filesystem::path existingFile(const std::wstring& path) {
    std::error_code error;
    std::filesystem::path given = std::filesystem::u8path(hostimpl::narrow(path));
    if (std::filesystem::is_regular_file(given, error))
        return given;
    std::wstring native = path;
    std::replace(native.begin(), native.end(), L'\\', L'/');
    std::filesystem::path other = std::filesystem::u8path(hostimpl::narrow(native));
    if (native != path && std::filesystem::is_regular_file(other, error))
        return other;
    return std::filesystem::path();
}

bool startsWith(const std::string& head, const char* magic, size_t length) {
    return head.size() >= length && std::memcmp(head.data(), magic, length) == 0;
}

bool endsWithTga(const std::wstring& path) {
    if (path.size() < 4)
        return false;
    std::wstring tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](wchar_t c) { return (wchar_t)std::towlower(c); });
    return tail == L".tga";
}

// An image is a file whose header is that of a format the host reads; TGA files have no
// signature, so a .tga passes on a plausible header (colour-map type 0 or 1, a known image
// type). Only the header is looked at: a file damaged further on passes.
bool looksLikeImage(const std::filesystem::path& file, const std::wstring& name) {
    std::ifstream in(file, std::ios::binary);
    char bytes[18] = {};
    in.read(bytes, sizeof bytes);
    std::string head(bytes, (size_t)in.gcount());
    if (startsWith(head, "\x89PNG\r\n\x1a\n", 8) || startsWith(head, "\xff\xd8\xff", 3) ||
        startsWith(head, "BM", 2) || startsWith(head, "DDS ", 4) || startsWith(head, "GIF8", 4) ||
        startsWith(head, "II*\0", 4) || startsWith(head, "MM\0*", 4))
        return true;
    if (!endsWithTga(name) || head.size() < 18)
        return false;
    int colourMapType = (unsigned char)head[1], imageType = (unsigned char)head[2];
    bool knownType = imageType == 1 || imageType == 2 || imageType == 3 || imageType == 9 ||
                     imageType == 10 || imageType == 11;
    return colourMapType <= 1 && knownType;
}

// Image IO source: outside silent mode a file that cannot be read raises the Image IO Error
// dialog (bitmap.h: SilentMode, ProcessImageIOError; SetSilentMode "disables any message box
// pop-ups"). The dialog is recorded like a message box, owned by the main window.
void showImageIOError(const std::wstring& path, BMMRES result) {
    std::wstring why = result == BMMRES_FILENOTFOUND ? L"File not found" : L"Invalid image file";
    MessageBoxCall call{why + L": " + path, HOST_IMAGE_IO_ERROR_CAPTION, MB_OK,
                        GetCOREInterface()->GetMAXHWnd(), true};
    hostimpl::showMessageBox(call);
}

BMMRES MemoryBitmapManager::examine(const std::wstring& path) {
    std::filesystem::path file = path.empty() ? std::filesystem::path() : existingFile(path);
    BMMRES result = file.empty()                 ? BMMRES_FILENOTFOUND
                    : looksLikeImage(file, path) ? BMMRES_SUCCESS
                                                 : BMMRES_INVALIDFORMAT;
    if (result != BMMRES_SUCCESS && !silent)
        showImageIOError(path, result);
    return result;
}

BMMRES MemoryBitmapManager::GetImageInfo(BitmapInfo* bi, const MCHAR* filename) {
    if (!bi) {
        hostimpl::misuse("BitmapManager::GetImageInfo: NULL BitmapInfo");
        return BMMRES_INVALIDFORMAT;
    }
    if (filename)
        bi->SetName(filename);
    return examine(bi->Name());
}

Bitmap* MemoryBitmapManager::Load(BitmapInfo* bi, BMMRES* status) {
    if (!bi) {
        hostimpl::misuse("BitmapManager::Load: NULL BitmapInfo");
        if (status)
            *status = BMMRES_INVALIDFORMAT;
        return nullptr;
    }
    std::wstring path = bi->Name();
    requests.push_back(path);
    BMMRES result = examine(path);
    if (status)
        *status = result;
    if (result != BMMRES_SUCCESS)
        return nullptr;
    found.push_back(path);
    bitmaps.emplace_back(std::make_unique<FileBitmap>(*this));
    return bitmaps.back().get();
}

Bitmap* MemoryBitmapManager::Create(BitmapInfo*) {
    bitmaps.emplace_back(std::make_unique<FileBitmap>(*this));
    return bitmaps.back().get();
}

} // namespace

BitmapManager* TheManager = &manager();

std::vector<std::wstring> bitmapLoadRequests() {
    return manager().requests;
}

std::vector<std::wstring> loadedBitmaps() {
    return manager().found;
}

size_t heldBitmapCount() {
    return manager().bitmaps.size();
}
