#include "script/WindowEffects.h"

#include "shade/ShadeManager.h"

namespace {

ShadeManager::ShadeStructPtr RecordOf(ShadeManager *manager, HWND window) {
  return manager ? manager->FindRecord(window) : ShadeManager::ShadeStructPtr();
}

}  // namespace

void ApplyShade(ShadeManager *manager, HWND window, bool shade) {
  ShadeManager::ShadeStructPtr record = RecordOf(manager, window);
  if (!record) return;
  if (shade) {
    GetWindowRect(window, &record->savedRect);
    int height = GetSystemMetrics(SM_CYCAPTION);
    SetWindowPos(window, nullptr, 0, 0, record->savedRect.right - record->savedRect.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    record->savedStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(record->savedStyle & ~WS_THICKFRAME));
  } else {
    SetWindowPos(window, nullptr, 0, 0, record->savedRect.right - record->savedRect.left,
                 record->savedRect.bottom - record->savedRect.top, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(record->savedStyle));
  }
}

void ApplyTransparency(ShadeManager *manager, HWND window, bool on) {
  ShadeManager::ShadeStructPtr record = RecordOf(manager, window);
  if (!record) return;
  if (on) {
    LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    if (exStyle & WS_EX_LAYERED) {
      record->wasLayered = true;
    } else {
      SetWindowLongW(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
      record->wasLayered = false;
    }
    SetLayeredWindowAttributes(window, 0, 128, LWA_ALPHA);
  } else {
    if (!record->wasLayered)
      SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) & ~WS_EX_LAYERED);
    SetLayeredWindowAttributes(window, 0, 255, LWA_ALPHA);
  }
}

void ApplyTopmost(HWND window, bool topmost) {
  SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}
