// The bitmap manager: it finds files but keeps no pixels.
#include "host/embed/MemoryHost.h"
#include "host/impl/SceneState.h"

#include <algorithm>
#include <filesystem>
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
        });
    }
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

// The path as given, or with Windows separators made native.
bool fileExists(const std::wstring& path) {
    std::error_code error;
    if (std::filesystem::is_regular_file(std::filesystem::u8path(hostimpl::narrow(path)), error))
        return true;
    std::wstring native = path;
    std::replace(native.begin(), native.end(), L'\\', L'/');
    return native != path && std::filesystem::is_regular_file(
                                 std::filesystem::u8path(hostimpl::narrow(native)), error);
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
    if (path.empty() || !fileExists(path)) {
        if (status)
            *status = BMMRES_FILENOTFOUND;
        return nullptr;
    }
    found.push_back(path);
    if (status)
        *status = BMMRES_SUCCESS;
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
