// The two exported entry points of the Audio Unit bundle: they hand every
// call on unchanged to the adapter's component entry and the view entry.
#include "engine/Corvane.h"

extern "C" ComponentResult Corvane_Entry(ComponentParameters* params, Handle storage) {
  return IPlugAU::IPlugAUEntry(params, storage, MakePlug);
}

// The view entry arrives with the view host; until then no selector is known.
extern "C" ComponentResult Corvane_ViewEntry(ComponentParameters*, Handle) {
  return badComponentSelector;
}
