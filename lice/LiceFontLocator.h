#pragma once
// Finds the installed font file that best matches a face request.
#include <string>

namespace lice_detail {

struct LocatedFont {
  std::string path;    // font file
  int index = 0;       // face index inside the file
  std::string family;  // resolved family, e.g. "DejaVu Sans Mono"
  bool bold = false;   // the face itself is bold (no emboldening needed)
  bool italic = false; // the face itself is italic or oblique
};

// Asks fontconfig for faceName at the given weight (400 regular, 700 bold)
// and slant. A family that is not installed falls back to the generic family
// it belongs to: monospace for well-known monospace faces ("Monaco",
// "Courier", ...), serif for well-known serif faces, sans-serif otherwise.
// False (with LICE_GetLastError set) when no font at all can be found.
bool LocateFont(const char* faceName, int weight, bool italic, LocatedFont& out);

// The generic family used when faceName is not installed.
const char* GenericFamilyFor(const char* faceName);

}  // namespace lice_detail
