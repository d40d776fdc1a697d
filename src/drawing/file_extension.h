// File-name extensions, read one way everywhere: drawings (.jww, .jws, .jwz), pictures (.bmp,
// .jpg, .gz) and the outputs of the commands.
#pragma once

#include <string>

namespace korvel {

// The extension of the last name in `path`: from that name's last dot to its end, the dot
// included and the case as written (".JWW"; ".gz" of "plan.bmp.gz"; ".jww" of a name that is
// only ".jww"). Empty when the name has no dot. Both '/' and '\' end a folder's name, since
// picture references keep the Windows paths Jw_win wrote.
std::string FileExtension(const std::string& path);

// Whether the extension is `extension` (".jww"), without regard to ASCII case.
bool HasExtension(const std::string& path, const std::string& extension);

}  // namespace korvel
