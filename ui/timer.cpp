#include "ui/timer.h"

#include "ui/form.h"

namespace ui {

Timer::Timer(const TimerSettings& settings)
    : interval_(settings.interval < 0 ? 0 : settings.interval) {}

bool Timer::bindEvent(Event event, EventHandler handler) {
    if (event == Event::tick) {
        onTick = handler;
        return true;
    }
    return false;
}

void Timer::create(Form& form, const char* name, const Placement&) {
    form_ = &form;
    name_ = name ? name : "";
    // A hidden child of the form: it goes when the form goes.
    HWND window = createObjectWindow(0, kHiddenClass, "", WS_CHILD, 0, 0, 0, 0, form.handle());
    if (!window) {
        failStartWindow();
    }
    if (interval_ > 0) {
        SetTimer(window, kTimerId, static_cast<UINT>(interval_), nullptr);
    }
}

void Timer::setInterval(int milliseconds) {
    requireKindWindow();
    if (milliseconds < 0) {
        milliseconds = 0;
    }
    if (milliseconds == interval_) {
        return;
    }
    KillTimer(window_, kTimerId);
    interval_ = milliseconds;
    if (interval_ > 0) {
        SetTimer(window_, kTimerId, static_cast<UINT>(interval_), nullptr);
    }
}

LRESULT Timer::handleMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
    if (message == WM_TIMER && wParam == kTimerId) {
        raise(onTick);
        handled = true;
    }
    return 0;
}

}  // namespace ui
