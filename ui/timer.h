#pragma once
// The timer: a non-visual component that raises tick on a Windows timer (identifier 1000) of
// its own hidden window.

#include <windows.h>

#include "ui/control.h"

namespace ui {

struct TimerSettings {
    // Milliseconds; above 0 the timer starts as soon as it is created.
    int interval = 0;
};

class Timer : public Control {
  public:
    static constexpr UINT_PTR kTimerId = 1000;

    explicit Timer(const TimerSettings& settings = {});
    ControlKind kind() const override { return ControlKind::timer; }
    bool isVisual() const override { return false; }
    bool bindEvent(Event event, EventHandler handler) override;
    bool bindMouseEvent(MouseEventKind, MouseHandler) override { return false; }

    int interval() const { return interval_; }
    // Negative values become 0. The value the timer already has changes nothing (a running
    // period is not restarted); any other value stops it and starts it again with the new
    // period if that is above 0.
    void setInterval(int milliseconds);

    EventHandler onTick;

  protected:
    void create(Form& form, const char* name, const Placement& placement) override;
    const char* windowClass() const override { return kHiddenClass; }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

  private:
    int interval_;
};

}  // namespace ui
