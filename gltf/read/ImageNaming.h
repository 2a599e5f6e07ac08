#pragma once
// Names of the bitmaps `from-gltf` writes beside the model. A model file keeps a texture as
// Latin-1 text of at most 100 bytes, and the importer looks for that name beside the model,
// so the name on disk and the stored name must be one and the same safe text; and a file
// already there must never be replaced by another picture.

#include "scene/BridgeReport.h"

#include <set>
#include <string>
#include <vector>

namespace mshgltf {

/// A bitmap the model uses, to be put beside the exported model under `fileName`.
struct ImageData {
    std::string sourceName;           ///< UTF-8 name from the image's URI or name; may be empty
    std::string mimeType;             ///< as the file gives it (or its data URI); may be empty
    std::string fileName;             ///< UTF-8 name beside the model, set by nameImages
    std::vector<unsigned char> bytes; ///< the encoded file (empty when it could not be read)
    bool embedded = false;            ///< inside the .glb or a data URI
    bool used = true;                 ///< a converted object shows it
};

/// Longest texture file name a model file holds.
const size_t maxTextureNameBytes = 100;

/// `name` (UTF-8) as a file name every model file and file system holds: characters above
/// U+00FF, controls and characters file systems reserve become '_' (a run of them one '_'),
/// no leading or trailing dots and spaces, and at most 100 characters with the extension
/// kept. Empty when no letter or digit is left.
std::string safeTextureName(const std::string& name);

/// The name an image's URI (its last component) or its own name asks for, before it is made
/// safe; embedded images take the extension of their type. Empty when it has neither.
std::string nameFromSource(const ImageData& image);

/// Chooses `fileName` for every image in use: the safe form of its URI's last component, or of its
/// name with the extension of its MIME type, else "<outputStem>_<index>.<ext>". Names are
/// unique within the file (ignoring letter case, as Windows does), and a different file
/// already in `folder` under a name is never taken: the next free "<stem>_<n>" is, with a
/// warning. A name that had to change says so too.
void nameImages(std::vector<ImageData>& images, const std::string& folder,
                const std::string& outputStem, BridgeReport& report);

/// `name`, or "<stem>_<n>" with the first n that is neither in `taken` (case-folded names given
/// to other pictures) nor the name of a file in `folder` that holds other bytes than `bytes`;
/// `occupied` tells whether such a file was passed by. Names stay within the texture field.
std::string freeImageName(const std::string& name, const std::vector<unsigned char>& bytes,
                          const std::string& folder, const std::set<std::string>& taken,
                          bool& occupied);

/// True when `file` exists and holds exactly `bytes`.
bool fileHoldsBytes(const std::string& file, const std::vector<unsigned char>& bytes);

} // namespace mshgltf
