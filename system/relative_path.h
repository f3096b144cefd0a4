// Whether a manifest entry names a file inside the install folder. The client
// builds its targets by plain concatenation (install folder + "\" + Path + "\"
// + FileName), so an entry that is absolute, climbs with "..", names a drive,
// a device, a share or an alternate data stream would write outside it. The
// publisher refuses such entries before signing; the client refuses them again
// after reading a manifest.
//
// Apply it to the UTF-8 attribute text, before any conversion to GBK: there a
// trailing byte of a two-byte character may be 0x5C ("\") or 0x7C ("|").
#pragma once

#include <string>

// `path`: folder names joined by "\" ("/" counts as a separator too), empty
// for a file in the install folder itself. `fileName`: a single name.
bool IsSafeManifestEntry(const std::string& path, const std::string& fileName);
