#pragma once

#include "platform/MediaFiles.h"

namespace platform::web {

// readPlainFile's promises kept for files beside the page on its server, fetched anew at every
// read as the desktop reads its folder: nothing there (404, or no server) is Missing; any
// other refusal, an empty file and one over maxBytes are NotAFile.
media::FileContents fetchPlainFile(const std::u16string &fileName, std::uint64_t maxBytes);

} // namespace platform::web
