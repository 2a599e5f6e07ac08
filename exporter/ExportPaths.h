#ifndef MSH_EXPORTER_EXPORTPATHS_H
#define MSH_EXPORTER_EXPORTPATHS_H

// The names of the files one export writes, derived from the export path by character count.

#include <string>

/// The BN file beside the export path: its last three characters replaced by "bn".
std::wstring bonePathFor(const std::wstring& exportPath);

/// The BBX file beside the export path: its last three characters replaced by "BBX".
std::wstring bbxPathFor(const std::wstring& exportPath);

/// The characters after the last "\" or "/" (the whole path when it holds neither).
std::wstring fileNameOf(const std::wstring& path);

/// The model name stored in a BBX file: the file name of `bbxPath` less its last four
/// characters; empty when the file name is four characters long or shorter.
std::wstring bbxBaseName(const std::wstring& bbxPath);

#endif
