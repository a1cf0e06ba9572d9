#include "ui/component.h"

#include "ui/form.h"

namespace ui {

void NonVisualComponent::create(Form& form, const char* name, const Placement&) {
    form_ = &form;
    name_ = name ? name : "";
    construct(form.handle());
}

}  // namespace ui
