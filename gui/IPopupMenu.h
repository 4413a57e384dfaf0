#pragma once
// The popup-menu model a control builds and a view host shows.
#include <memory>
#include <string>
#include <vector>

class IPopupMenu;

class IPopupMenuItem {
public:
  enum Flags { kNoFlags = 0, kDisabled = 1, kTitle = 2, kChecked = 4, kSeparator = 8 };

  IPopupMenuItem(const char* text, int flags = kNoFlags) : mText(text ? text : ""), mFlags(flags) {}
  IPopupMenuItem(const char* text, IPopupMenu* submenu)
      : mText(text ? text : ""), mSubmenu(submenu), mFlags(kNoFlags) {}
  ~IPopupMenuItem();
  IPopupMenuItem(const IPopupMenuItem&) = delete;
  IPopupMenuItem& operator=(const IPopupMenuItem&) = delete;

  const char* GetText() const { return mText.c_str(); }
  void SetText(const char* text) { mText = text ? text : ""; }
  IPopupMenu* GetSubmenu() const { return mSubmenu; }
  int GetFlags() const { return mFlags; }
  bool GetEnabled() const { return !(mFlags & kDisabled); }
  bool GetChecked() const { return (mFlags & kChecked) != 0; }
  bool GetIsTitle() const { return (mFlags & kTitle) != 0; }
  bool GetIsSeparator() const { return (mFlags & kSeparator) != 0; }
  void SetChecked(bool checked) { mFlags = checked ? (mFlags | kChecked) : (mFlags & ~kChecked); }
  void SetEnabled(bool enabled) { mFlags = enabled ? (mFlags & ~kDisabled) : (mFlags | kDisabled); }

private:
  std::string mText;
  IPopupMenu* mSubmenu = nullptr;  // owned
  int mFlags;
};

class IPopupMenu {
public:
  IPopupMenu() = default;
  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  // index -1 appends; other indices insert there, clamped to 0..count.
  IPopupMenuItem* AddItem(IPopupMenuItem* item, int index = -1);
  IPopupMenuItem* AddItem(const char* text, int index = -1, int flags = IPopupMenuItem::kNoFlags);
  IPopupMenuItem* AddItem(const char* text, int index, IPopupMenu* submenu);
  IPopupMenuItem* AddItem(const char* text, IPopupMenu* submenu);
  IPopupMenuItem* AddSeparator(int index = -1);

  // Number shown before each item: 0 none, 1 "%1d: ", 2 "%02d: ", 3 "%03d: ".
  void SetPrefix(int prefix) { if (prefix >= 0 && prefix <= 3) mPrefix = prefix; }
  int GetPrefix() const { return mPrefix; }

  bool CheckItem(int index, bool checked);
  void CheckItemAlone(int index);
  bool IsItemChecked(int index) const;

  int GetNItems() const { return static_cast<int>(mItems.size()); }
  IPopupMenuItem* GetItem(int index) const;
  const char* GetItemText(int index) const;

  // The view host stores the user's pick here (-1: none).
  void SetChosenItemIdx(int index) { mChosenItemIdx = index; }
  int GetChosenItemIdx() const { return mChosenItemIdx; }

private:
  int mPrefix = 0;
  int mChosenItemIdx = -1;
  int mPad = 0;
  std::vector<std::unique_ptr<IPopupMenuItem>> mItems;
};
