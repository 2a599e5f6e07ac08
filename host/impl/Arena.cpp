// The arena that owns every scene item, and the Animatable base built on it.
#include "host/impl/SceneState.h"

#include <algorithm>

namespace hostimpl {

Arena& Arena::instance() {
    static Arena* arena = new Arena(); // never destroyed: items may outlive static teardown
    return *arena;
}

void Arena::add(Animatable* item) {
    std::uint64_t serial = nextSerial++;
    serialOf[item] = serial;
    bySerial[serial] = item;
}

void Arena::remove(Animatable* item) {
    auto found = serialOf.find(item);
    if (found == serialOf.end())
        return;
    bySerial.erase(found->second);
    serialOf.erase(found);
    references.erase(item);
}

bool Arena::contains(const Animatable* item) const {
    return serialOf.count(item) != 0;
}

void Arena::clear() {
    if (clearing)
        return;
    clearing = true;
    // Items never delete one another, so any order is safe; newest first mirrors creation.
    std::vector<Animatable*> doomed;
    doomed.reserve(bySerial.size());
    for (auto it = bySerial.rbegin(); it != bySerial.rend(); ++it)
        doomed.push_back(it->second);
    for (Animatable* item : doomed)
        delete item;
    serialOf.clear();
    bySerial.clear();
    references.clear();
    clearing = false;
}

void Arena::addReference(const Animatable* item) {
    if (item)
        ++references[item];
}

void Arena::releaseReference(const Animatable* item) {
    auto found = references.find(item);
    if (found == references.end())
        return;
    if (--found->second <= 0)
        references.erase(found);
}

int Arena::referenceCount(const Animatable* item) const {
    auto found = references.find(item);
    return found == references.end() ? 0 : found->second;
}

void misuse(const std::string& what) {
    reportHostMisuse(what.c_str());
}

std::string narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t wc : text) {
        std::uint32_t c = (std::uint32_t)wc;
        if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += (char)(0xE0 | (c >> 12));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            out += (char)(0xF0 | (c >> 18));
            out += (char)(0x80 | ((c >> 12) & 0x3F));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace hostimpl

Animatable::Animatable() {
    hostimpl::Arena::instance().add(this);
}

Animatable::~Animatable() {
    hostimpl::Arena::instance().remove(this);
}

Class_ID Animatable::ClassID() {
    return Class_ID(0, 0);
}

SClass_ID Animatable::SuperClassID() {
    return 0;
}

void* Animatable::GetInterface(ULONG) {
    return NULL;
}

BaseInterface* Animatable::GetInterface(Interface_ID) {
    return NULL;
}

void Animatable::ReleaseInterface(ULONG, void*) {}

void Animatable::DeleteThis() {
    delete this;
}
