#include "dialog/winprop.h"

namespace {
const char contextProperty[] = "Handle";
}

int attachContext(HWND window, SetupContext* context) {
    return SetPropA(window, contextProperty, context) ? 0 : 1;
}

SetupContext* contextOf(HWND window) {
    return static_cast<SetupContext*>(GetPropA(window, contextProperty));
}

void detachContext(HWND window) {
    RemovePropA(window, contextProperty);
}
