#pragma once
// How an Audio Unit host gets the Corvane editor: the view factory class
// "Corvane_View" (the name the Cocoa UI property reports) and the Carbon
// view component entry behind Corvane_ViewEntry.
#include <memory>

#include "host/au/view/AUViewFactory.h"

class Corvane_View : public IPlugAUViewFactory {
public:
  const char* description() const override { return "Corvane View"; }
};

// The registry entry for "Corvane_View"; Corvane_ViewEntry's object refers
// to it, so linking the entry points always registers the factory.
extern const bool kCorvaneViewRegistered;
