#pragma once
// Menus of a window: top-level menus (level 0) and their items (level 1). A pop-up menu is
// built afresh from the records each time it opens, so it always shows the current marks.

#include <windows.h>

#include <string>

#include "ui/framework.h"

namespace ui {

class MenuItem {
  public:
    MenuItem() = default;
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    const std::string& name() const { return name_; }
    const std::string& caption() const { return caption_; }
    int level() const { return level_; }

    bool checked() const { return checked_; }
    void setChecked(bool value);
    bool hidden() const { return hidden_; }
    bool disabled() const { return disabled_; }

    EventHandler onChosen;

  private:
    friend class Form;
    friend class MenuSet;
    std::string name_;
    std::string caption_;
    std::string hotKey_;
    int level_ = 0;
    bool hidden_ = false;
    bool disabled_ = false;
    bool checked_ = false;
    int command_ = 0;
    HWND owner_ = nullptr;
};

}  // namespace ui
