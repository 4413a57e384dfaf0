// The two exported entry points of the Audio Unit bundle: they hand every
// call on unchanged to the adapter's component entry and the view entry.
#include "plugin/Corvane.h"
#include "plugin/CorvaneView.h"

extern "C" ComponentResult Corvane_Entry(ComponentParameters* params, Handle storage) {
  return IPlugAU::IPlugAUEntry(params, storage, MakePlug);
}

// The Carbon view component. Touching the factory's registration here keeps
// "Corvane_View" registered in every binary that links the entry points.
extern "C" ComponentResult Corvane_ViewEntry(ComponentParameters* params, Handle storage) {
  if (!kCorvaneViewRegistered) return badComponentSelector;
  return IPlugAUCarbonViewEntry(params, storage);
}
