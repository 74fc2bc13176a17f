#include "ui_hook.h"

#include <atomic>

namespace {
UiHook silentHook;
std::atomic<UiHook*> currentHook{&silentHook};
}  // namespace

void SetUiHook(UiHook* hook) { currentHook.store(hook != nullptr ? hook : &silentHook); }

UiHook& Ui() { return *currentHook.load(); }
