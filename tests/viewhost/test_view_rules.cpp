// The view host's window-system-independent rules.
#include <gtest/gtest.h>

#include "framework/IParam.h"
#include "gui/IPopupMenu.h"
#include "gui/viewhost/ViewHostRules.h"

namespace {

TEST(ViewGeometry, CocoaMousePositionsCarryTheFrameOffsets) {
  int x, y;
  MapMousePosition(10, 574, 574, kCocoaGeometry, &x, &y);
  EXPECT_EQ(x, 8);
  EXPECT_EQ(y, -3);
  MapMousePosition(2, 571, 574, kCocoaGeometry, &x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  MapMousePosition(2.9, 570.2, 574, kCocoaGeometry, &x, &y);  // truncated, not rounded
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 1);
  MapMousePosition(10, 20, 574, kTopLeftGeometry, &x, &y);
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 20);
}

TEST(ViewGeometry, RectConversionsBothWays) {
  EXPECT_EQ(ToViewRect(IRECT(0, 0, 364, 573), 574), ViewRect(0, 0, 365, 574));
  EXPECT_EQ(ToViewRect(IRECT(125, 163, 148, 388), 574), ViewRect(125, 185, 24, 226));
  // A redisplay of a dirty rectangle covers it (one pixel more to the right and bottom).
  const IRECT dirty(125, 163, 148, 388);
  EXPECT_EQ(FromViewRect(ToViewRect(dirty, 574), 574), IRECT(125, 163, 149, 389));
  EXPECT_EQ(FromViewRect(ViewRect(0, 0, 365, 574), 574), IRECT(0, 0, 365, 574));
  // Fractions from the window system are truncated before the flip.
  EXPECT_EQ(FromViewRect(ViewRect(10.7, 20.9, 30.5, 40.2), 574), IRECT(10, 514, 40, 554));
  // Top-left view coordinates are editor pixels.
  EXPECT_EQ(ToViewRect(dirty, 574, kTopLeftGeometry), ViewRect(125, 163, 23, 225));
  EXPECT_EQ(FromViewRect(ToViewRect(dirty, 574, kTopLeftGeometry), 574, kTopLeftGeometry), dirty);
  double mx, my;
  MenuAnchor(IRECT(10, 20, 40, 36), 574, kCocoaGeometry, &mx, &my);
  EXPECT_EQ(mx, 10);
  EXPECT_EQ(my, 574 - 1 - 36 - 4);
  MenuAnchor(IRECT(10, 20, 40, 36), 574, kTopLeftGeometry, &mx, &my);
  EXPECT_EQ(my, 40);
}

TEST(ViewEvents, ModifiersAndButtons) {
  const ViewModifiers m = ModifiersFromCocoaFlags((1ul << 17) | (1ul << 19));
  EXPECT_TRUE(m.shift);
  EXPECT_FALSE(m.control);
  EXPECT_TRUE(m.alt);
  EXPECT_FALSE(m.command);
  EXPECT_TRUE(ModifiersFromCocoaFlags(1ul << 18).control);
  const IMouseMod commandClick = MouseModFor(ViewButton::kLeft, ModifiersFromCocoaFlags(1ul << 20));
  EXPECT_TRUE(commandClick.L);
  EXPECT_TRUE(commandClick.R);
  const IMouseMod right = MouseModFor(ViewButton::kRight, m);
  EXPECT_FALSE(right.L);
  EXPECT_TRUE(right.R);
  EXPECT_TRUE(right.S);
  EXPECT_TRUE(right.A);
}

TEST(ViewEvents, KeyTable) {
  EXPECT_EQ(KeyValueFor(0, "a"), 15);
  EXPECT_EQ(KeyValueFor(0, "A"), 15);
  EXPECT_EQ(KeyValueFor(0, "z"), 40);
  EXPECT_EQ(KeyValueFor(0, "Z"), 40);
  EXPECT_EQ(KeyValueFor(0, "0"), 5);
  EXPECT_EQ(KeyValueFor(0, "9"), 14);
  EXPECT_EQ(KeyValueFor(kViewKeySpace, " "), 0);
  EXPECT_EQ(KeyValueFor(kViewKeyUp, "\x01"), 1);
  EXPECT_EQ(KeyValueFor(kViewKeyDown, "\x01"), 2);
  EXPECT_EQ(KeyValueFor(kViewKeyLeft, "\x01"), 3);
  EXPECT_EQ(KeyValueFor(kViewKeyRight, "\x01"), 4);
  EXPECT_EQ(KeyValueFor(36, "\r"), -1);  // Return: not a letter or digit
  EXPECT_EQ(KeyValueFor(0, "@"), -1);
  EXPECT_EQ(KeyValueFor(0, "["), -1);  // just past 'Z'
  EXPECT_EQ(KeyValueFor(0, "`"), -1);  // just before 'a'
  EXPECT_FALSE(KeyEventIsHandled("ab"));
  EXPECT_FALSE(KeyEventIsHandled(""));
  EXPECT_EQ(KeyValueFor(kViewKeySpace, ""), -1);
}

TEST(ViewEvents, ClicksCountWithinTheIntervalAndSlop) {
  ClickCounter c;
  EXPECT_EQ(c.Press(1000, 10, 10, ViewButton::kLeft), 1);
  EXPECT_EQ(c.Press(1000 + ClickCounter::kIntervalMs, 12, 13, ViewButton::kLeft), 2);
  EXPECT_EQ(c.Press(1500, 12, 13, ViewButton::kLeft), 3);
  EXPECT_EQ(c.Press(1500 + ClickCounter::kIntervalMs + 1, 12, 13, ViewButton::kLeft), 1);
  EXPECT_EQ(c.Press(2000, 12 + ClickCounter::kSlop + 1, 13, ViewButton::kLeft), 1);
  EXPECT_EQ(c.Press(2100, 17, 13, ViewButton::kRight), 1);  // another button starts over
  EXPECT_EQ(c.Press(50, 17, 13, ViewButton::kRight), 1);    // a clock that went back
}

TEST(TextEntry, CharacterSetsByParameterType) {
  IParam dbl, integer, boolean, enumerated, none;
  dbl.InitDouble("Gain", 0.5, 0.0, 1.0, 0.01);
  integer.InitInt("Steps", 0, -10, 10);
  boolean.InitBool("On", false);
  enumerated.InitEnum("Mode", 0, 3);
  EXPECT_EQ(AcceptedCharacters(&dbl), "0123456789.-+");
  EXPECT_EQ(AcceptedCharacters(&integer), "0123456789-+");
  EXPECT_EQ(AcceptedCharacters(&boolean), "0123456789-+");
  EXPECT_EQ(AcceptedCharacters(&enumerated), "0123456789-+");
  EXPECT_EQ(AcceptedCharacters(&none), "");

  auto intFormat = FormatterFor(&integer, 7);
  ASSERT_TRUE(intFormat);
  EXPECT_FALSE(intFormat->IsPartialStringValid("1.5"));
  EXPECT_TRUE(intFormat->IsPartialStringValid("-1234"));
  EXPECT_TRUE(intFormat->IsPartialStringValid("1234567"));
  EXPECT_FALSE(intFormat->IsPartialStringValid("12345678"));  // longer than the entry length
  EXPECT_TRUE(FormatterFor(&dbl, 7)->IsPartialStringValid("-0.25"));
  EXPECT_FALSE(FormatterFor(&dbl, 7)->IsPartialStringValid("0.25dB"));
  // A typeless parameter accepts nothing but the empty string.
  EXPECT_FALSE(FormatterFor(&none, 7)->IsPartialStringValid("1"));
  EXPECT_TRUE(FormatterFor(&none, 7)->IsPartialStringValid(""));
  EXPECT_FALSE(FormatterFor(nullptr, 7));
  // Zero or negative lengths mean no limit, never a wrapped huge or zero one.
  EXPECT_TRUE(FormatterFor(&integer, -1)->IsPartialStringValid("123456789012"));
  EXPECT_TRUE(FormatterFor(&integer, 0)->IsPartialStringValid("123456789012"));

  CocoaFormatter_vCorvane_au capped(false, "", 0, 100);
  EXPECT_TRUE(capped.IsPartialStringValid("100"));
  EXPECT_FALSE(capped.IsPartialStringValid("101"));
  EXPECT_TRUE(capped.IsPartialStringValid("anything"));  // no set, integer value 0
}

TEST(TextEntry, FieldLooksLikeTheControlsStyle) {
  IParam dbl;
  dbl.InitDouble("Gain", 0.5, 0.0, 1.0, 0.01);
  IText style(15, &COLOR_RED, "Courier", IText::kStyleNormal, IText::kAlignFar);
  style.mTextEntryBGColor = COLOR_BLUE;
  const ViewTextField f = MakeTextField(IRECT(10, 20, 40, 36), 574, kCocoaGeometry, style, "0.50", &dbl, 5);
  EXPECT_EQ(f.rect, ViewRect(10, 537, 31, 17));
  EXPECT_EQ(f.fontSize, 13.0f);  // (int)(15 x 0.9)
  EXPECT_EQ(f.font, "Courier");
  EXPECT_EQ(f.align, IText::kAlignFar);
  EXPECT_EQ(f.background, COLOR_BLUE);
  EXPECT_EQ(f.foreground, DEFAULT_TEXT_ENTRY_FGCOLOR);
  EXPECT_EQ(f.initialText, "0.50");
  ASSERT_TRUE(f.formatter);
  EXPECT_EQ(f.formatter->MaxLength(), 5u);
  EXPECT_FALSE(MakeTextField(IRECT(0, 0, 1, 1), 574, kCocoaGeometry, style, nullptr, nullptr, 7).formatter);
}

TEST(PopupMenu, NumberingSeparatorsFlagsAndSubmenus) {
  IPopupMenu menu;
  menu.SetPrefix(2);
  menu.AddItem("Haar");
  menu.AddSeparator();
  menu.AddItem("Title", -1, IPopupMenuItem::kTitle);
  menu.AddItem("Checked", -1, IPopupMenuItem::kChecked | IPopupMenuItem::kDisabled);
  auto* sub = new IPopupMenu;
  sub->SetPrefix(3);
  sub->AddItem("Deep");
  sub->AddItem("Deeper");
  menu.AddItem("More", sub);

  auto built = BuildViewMenu(&menu);
  ASSERT_EQ(built->items.size(), 5u);
  EXPECT_EQ(built->items[0].title, "01: Haar");
  EXPECT_TRUE(built->items[1].separator);
  EXPECT_EQ(built->items[2].indentation, 1);
  EXPECT_EQ(built->items[0].indentation, 0);
  EXPECT_TRUE(built->items[3].checked);
  EXPECT_FALSE(built->items[3].enabled);
  EXPECT_EQ(built->items[4].title, "05: More");
  ASSERT_TRUE(built->items[4].submenu);
  EXPECT_EQ(built->items[4].submenu->items[1].title, "002: Deeper");

  // The result is the menu that holds the item, with the index in that menu.
  EXPECT_EQ(ResolveMenuChoice(&built->items[4].submenu->items[1]), sub);
  EXPECT_EQ(sub->GetChosenItemIdx(), 1);
  EXPECT_EQ(menu.GetChosenItemIdx(), -1);
  EXPECT_EQ(ResolveMenuChoice(&built->items[0]), &menu);
  EXPECT_EQ(menu.GetChosenItemIdx(), 0);
  EXPECT_EQ(ResolveMenuChoice(nullptr), nullptr);
  EXPECT_EQ(ResolveMenuChoice(&built->items[1]), nullptr);  // separator
  EXPECT_EQ(ResolveMenuChoice(&built->items[3]), nullptr);  // disabled
  EXPECT_EQ(ResolveMenuChoice(&built->items[4]), nullptr);  // a submenu holder has no action

  IPopupMenu one;
  one.SetPrefix(1);
  for (int i = 0; i < 10; ++i) one.AddItem("x");
  EXPECT_EQ(BuildViewMenu(&one)->items[9].title, "10: x");  // "%1d" widens, never truncates
  EXPECT_EQ(BuildViewMenu(nullptr), nullptr);
}

TEST(MessageBox, ButtonsAndResults) {
  EXPECT_EQ(MakeAlert("m", "c", 0).buttons, std::vector<std::string>({"OK"}));
  EXPECT_EQ(MakeAlert("m", "c", 3).buttons, std::vector<std::string>({"Yes", "No", "Cancel"}));
  EXPECT_EQ(MakeAlert("m", "c", 4).buttons, std::vector<std::string>({"Yes", "No"}));
  const ViewAlert okCancel = MakeAlert("text", "caption", 1);
  EXPECT_EQ(okCancel.header, "caption");
  EXPECT_EQ(okCancel.message, "text");
  EXPECT_EQ(okCancel.buttons[0], "OK");
  // Cancel answers 2 in every box, never 7 ("No").
  EXPECT_EQ(AlertResult(CancelButtonOf(okCancel)), 2);
  EXPECT_EQ(AlertResult(CancelButtonOf(MakeAlert("m", "c", 3))), 2);
  EXPECT_EQ(AlertResult(CancelButtonOf(MakeAlert("m", "c", 4))), 7);
  EXPECT_EQ(AlertResult(CancelButtonOf(MakeAlert("m", "c", 0))), 1);
  EXPECT_EQ(AlertResult(kAlertDefault), 1);
  EXPECT_EQ(AlertResult(kAlertAlternate), 7);
  EXPECT_EQ(AlertResult(kAlertOther), 2);
  EXPECT_EQ(AlertResult(kAlertNone), 0);
  EXPECT_EQ(MakeAlert(nullptr, nullptr, 0).header, "");
}

TEST(FileDialog, Arguments) {
  EXPECT_EQ(SplitFileTypes("wav aif"), std::vector<std::string>({"wav", "aif"}));
  EXPECT_EQ(SplitFileTypes("wav  aif"), std::vector<std::string>({"wav", "", "aif"}));  // single spaces only
  EXPECT_TRUE(SplitFileTypes("").empty());
  EXPECT_TRUE(SplitFileTypes(nullptr).empty());
  const ViewFilePanel p = MakeFilePanel(1, "take.wav", "", "wav");
  EXPECT_TRUE(p.save);
  EXPECT_EQ(p.directory, "~/Desktop");
  EXPECT_EQ(p.defaultName, "take.wav");
  EXPECT_FALSE(MakeFilePanel(0, "", "/tmp", "").save);
  EXPECT_FALSE(MakeFilePanel(7, "", "/tmp", "").save);
  EXPECT_EQ(DirectoryOf("/home/me/take.wav"), "/home/me/");
  EXPECT_EQ(DirectoryOf("take.wav"), "/");
}

TEST(ImageNames, BaseNameOfTypePng) {
  std::string base;
  EXPECT_TRUE(ImageResourceName("resources/img/knob.PNG", &base));
  EXPECT_EQ(base, "knob");
  EXPECT_TRUE(ImageResourceName("a.b.png", &base));
  EXPECT_EQ(base, "a.b");
  EXPECT_FALSE(ImageResourceName("knob.jpg", &base));
  EXPECT_FALSE(ImageResourceName("resources.png/knob", &base));  // the extension is after the last '.'
  EXPECT_FALSE(ImageResourceName(nullptr, &base));
  EXPECT_TRUE(ImageResourceName("png", &base));  // no '.': the whole name is the extension
}

}  // namespace
