#pragma once
// Non-visual components that bring their own hidden window (the TCP client, for one): the form
// constructs the object with its own window as parent when it builds its controls, hands it the
// handlers the description binds, and drops it when the form is destroyed.

#include <windows.h>

#include <memory>
#include <type_traits>
#include <utility>

#include "ui/control.h"

namespace ui {

class NonVisualComponent : public Control {
  public:
    ControlKind kind() const override { return ControlKind::component; }
    bool isVisual() const override { return false; }
    bool bindMouseEvent(MouseEventKind, MouseHandler) override { return false; }

  protected:
    void create(Form& form, const char* name, const Placement& placement) override;
    // Makes the object; `parent` is the form's window.
    virtual void construct(HWND parent) = 0;
    virtual void destroy() = 0;
    void formDestroyed() override { destroy(); }
};

namespace detail {
template <class T, class = void>
struct HasDataArrived : std::false_type {};
template <class T>
struct HasDataArrived<T, std::void_t<decltype(std::declval<T&>().onDataArrived)>> : std::true_type {
};
template <class T, class = void>
struct HasDisconnected : std::false_type {};
template <class T>
struct HasDisconnected<T, std::void_t<decltype(std::declval<T&>().onDisconnected)>>
    : std::true_type {};
template <class T, class = void>
struct HasConnectFailed : std::false_type {};
template <class T>
struct HasConnectFailed<T, std::void_t<decltype(std::declval<T&>().onConnectFailed)>>
    : std::true_type {};
}  // namespace detail

// A component of type T, constructed as T(HWND parent). The events dataArrived, disconnected
// and connectFailed bind to T's handler members of those names.
template <class T>
class Component : public NonVisualComponent {
  public:
    T* get() const { return object_.get(); }
    T* operator->() const { return object_.get(); }
    bool exists() const { return object_ != nullptr; }

    bool bindEvent(Event event, EventHandler handler) override {
        if (event == Event::dataArrived && detail::HasDataArrived<T>::value) {
            onDataArrived_ = handler;
            return true;
        }
        if (event == Event::disconnected && detail::HasDisconnected<T>::value) {
            onDisconnected_ = handler;
            return true;
        }
        if (event == Event::connectFailed && detail::HasConnectFailed<T>::value) {
            onConnectFailed_ = handler;
            return true;
        }
        return false;
    }

  protected:
    void construct(HWND parent) override {
        object_ = std::make_unique<T>(parent);
        if constexpr (detail::HasDataArrived<T>::value) {
            object_->onDataArrived = onDataArrived_;
        }
        if constexpr (detail::HasDisconnected<T>::value) {
            object_->onDisconnected = onDisconnected_;
        }
        if constexpr (detail::HasConnectFailed<T>::value) {
            object_->onConnectFailed = onConnectFailed_;
        }
    }
    void destroy() override { object_.reset(); }

  private:
    std::unique_ptr<T> object_;
    EventHandler onDataArrived_;
    EventHandler onDisconnected_;
    EventHandler onConnectFailed_;
};

}  // namespace ui
