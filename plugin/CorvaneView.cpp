#include "plugin/CorvaneView.h"

namespace {

std::unique_ptr<IPlugAUViewFactory> MakeCorvaneView() { return std::make_unique<Corvane_View>(); }

bool RegisterCorvaneView() {
  RegisterAUViewFactory("Corvane_View", MakeCorvaneView);
  return true;
}

}  // namespace

const bool kCorvaneViewRegistered = RegisterCorvaneView();
