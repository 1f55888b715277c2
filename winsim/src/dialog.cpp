// Dialog boxes and message boxes: windows of the "#32770" class built from
// a template, run in a modal loop that keeps dispatching the thread's
// messages until EndDialog.
#include "desktop.h"

using namespace winsim;

namespace {

// The dialog state waiting to be attached to the window being created on this thread.
thread_local DialogState *t_pendingDialog = nullptr;

constexpr int kMessageTextId = 0xFFFF;

// Dialog units to pixels, for the dialog font's average character size.
int UnitsToX(int units) { return MulDiv(units, 6 * D().dpi / 96, 4); }
int UnitsToY(int units) { return MulDiv(units, 13 * D().dpi / 96, 8); }

struct BuiltDialog {
  HWND window = nullptr;
  HWND firstTabStop = nullptr;
};

BuiltDialog BuildDialog(HINSTANCE instance, const rc::Dialog &t, HWND owner, DLGPROC proc, LPARAM param,
                        bool messageBox) {
  BuiltDialog built;
  DWORD style = t.style & ~WS_VISIBLE;
  DWORD exStyle = t.exStyle | ((t.style & DS_MODALFRAME) ? WS_EX_DLGMODALFRAME : 0);
  int cx, cy, x, y;
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (owner) GetWindowRect(GetAncestor(owner, GA_ROOT), &area);
  {
    Lock lock(Mutex());
    // The template gives the client area; the frame and caption come on top.
    Window probe;
    probe.style = style;
    probe.exStyle = exStyle;
    probe.rect = RECT{0, 0, 1000, 1000};
    RECT c = ClientRectLocked(probe);
    cx = UnitsToX(t.cx) + (1000 - (c.right - c.left));
    cy = UnitsToY(t.cy) + (1000 - (c.bottom - c.top));
  }
  x = area.left + ((area.right - area.left) - cx) / 2;
  y = area.top + ((area.bottom - area.top) - cy) / 2;

  auto state = std::make_unique<DialogState>();
  state->proc = proc;
  state->messageBox = messageBox;
  for (auto &c : t.controls)
    if (c.className == L"BUTTON" && (c.style & 0xF) == BS_DEFPUSHBUTTON) state->defaultId = c.id;
  t_pendingDialog = state.release();
  built.window = CreateWindowExW(exStyle, L"#32770", t.caption.c_str(), style, x, y, cx, cy, owner, nullptr, instance,
                                 nullptr);
  if (t_pendingDialog) {  // creation failed before the dialog procedure saw it
    delete t_pendingDialog;
    t_pendingDialog = nullptr;
  }
  if (!built.window) return built;

  HFONT font = t.fontFace.empty() ? nullptr
                                  : CreateFontW(-MulDiv(t.fontPointSize, D().dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                                DEFAULT_CHARSET, 0, 0, 0, 0, t.fontFace.c_str());
  for (auto &c : t.controls) {
    std::wstring text = c.text;
    LPCWSTR name = text.c_str();
    if (c.className == L"STATIC" && (c.style & 0x1F) == SS_ICON) name = MAKEINTRESOURCEW(c.iconId);
    HWND control = CreateWindowExW(c.exStyle, c.className.c_str(), name, c.style | WS_CHILD, UnitsToX(c.x),
                                   UnitsToY(c.y), UnitsToX(c.cx), UnitsToY(c.cy), built.window,
                                   reinterpret_cast<HMENU>(static_cast<LONG_PTR>(c.id)), instance, nullptr);
    if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    if (control && !built.firstTabStop && (c.style & WS_TABSTOP)) built.firstTabStop = control;
  }
  if (font) SendMessageW(built.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  if (!SystemSend(built.window, WM_INITDIALOG, reinterpret_cast<WPARAM>(built.firstTabStop), param))
    built.firstTabStop = nullptr;  // the dialog procedure set the focus itself
  return built;
}

DialogState *StateOf(HWND dialog) {
  Lock lock(Mutex());
  auto w = FindLocked(dialog);
  return w ? w->dialog.get() : nullptr;
}

INT_PTR CALLBACK MessageBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_COMMAND) return FALSE;
  int id = LOWORD(wParam);
  // Escape or the close box of a box without a Cancel button answers OK.
  if (id == IDCANCEL && !GetDlgItem(dialog, IDCANCEL)) id = IDOK;
  if (GetDlgItem(dialog, id)) EndDialog(dialog, id);
  return TRUE;
}

INT_PTR ModalLoop(HWND dialog, HWND owner, HWND focus) {
  HWND ownerRoot = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
  bool disabledOwner = ownerRoot && IsWindowEnabled(ownerRoot);
  if (disabledOwner) EnableWindow(ownerRoot, FALSE);
  ShowWindow(dialog, SW_SHOWNORMAL);
  if (focus) SetFocus(focus);
  MSG msg;
  for (;;) {
    DialogState *state = StateOf(dialog);
    if (!state || state->ended) break;
    if (!GetMessageW(&msg, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // the quit goes on to the outer loop
      break;
    }
    if (!IsDialogMessageW(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  DialogState *state = StateOf(dialog);
  INT_PTR result = state ? state->result : -1;
  // The owner is enabled again before the dialog goes, so it takes the activation back.
  if (disabledOwner) EnableWindow(ownerRoot, TRUE);
  DestroyWindow(dialog);
  return result;
}

}  // namespace

INT_PTR WINAPI DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC proc, LPARAM initParam) {
  rc::Dialog t;
  {
    Lock lock(Mutex());
    const rc::Dialog *found = FindDialogTemplateLocked(instance, templateName);
    if (!found) return FailWith<INT_PTR>(ERROR_RESOURCE_NAME_NOT_FOUND, -1);
    t = *found;
  }
  if (owner && !IsWindow(owner)) return FailWith<INT_PTR>(ERROR_INVALID_WINDOW_HANDLE, -1);
  BuiltDialog built = BuildDialog(instance, t, owner, proc, initParam, false);
  if (!built.window) return -1;
  return ModalLoop(built.window, owner, built.firstTabStop);
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  {
    Lock lock(Mutex());
    auto w = FindLocked(dialog);
    if (!w || !w->dialog) return Fail(ERROR_INVALID_WINDOW_HANDLE);
    w->dialog->result = result;
    w->dialog->ended = true;
  }
  // Wakes the modal loop, which looks at the flag after each message.
  PostMessageW(dialog, WM_NULL, 0, 0);
  return TRUE;
}

BOOL WINAPI IsDialogMessageW(HWND dialog, LPMSG msg) {
  if (!msg || !msg->hwnd || (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd))) return FALSE;
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    return TRUE;
  }
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
    DialogState *state = StateOf(dialog);
    int id = state ? state->defaultId : IDOK;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    return TRUE;
  }
  DispatchMessageW(msg);
  return TRUE;
}

LRESULT WINAPI DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE && t_pendingDialog) {
    Lock lock(Mutex());
    if (auto w = FindLocked(dialog)) w->dialog.reset(t_pendingDialog);
    t_pendingDialog = nullptr;
  }
  DialogState *state = StateOf(dialog);
  if (state && state->proc) {
    INT_PTR handled = state->proc(dialog, message, wParam, lParam);
    if (handled) {
      switch (message) {
        case WM_INITDIALOG:
        case WM_CTLCOLORSTATIC:
          return handled;
        default: {
          Lock lock(Mutex());
          auto w = FindLocked(dialog);
          return w && w->dialog ? w->dialog->msgResult : 0;
        }
      }
    }
  }
  switch (message) {
    case WM_CLOSE:
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
      return 0;
    case WM_INITDIALOG:
      return TRUE;
    default:
      return DefWindowProcW(dialog, message, wParam, lParam);
  }
}

int WINAPI MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  rc::Dialog t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  t.caption = caption ? caption : L"Error";
  t.cx = 200;
  t.cy = 70;
  rc::DialogControl message;
  message.className = L"STATIC";
  message.text = text ? text : L"";
  message.id = kMessageTextId;
  message.style = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
  message.x = 40;
  message.y = 10;
  message.cx = 150;
  message.cy = 30;
  t.controls.push_back(message);
  auto button = [&](int id, const wchar_t *label, int x, bool isDefault) {
    rc::DialogControl b;
    b.className = L"BUTTON";
    b.text = label;
    b.id = id;
    b.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    b.x = x;
    b.y = 48;
    b.cx = 50;
    b.cy = 14;
    t.controls.push_back(b);
  };
  UINT buttons = type & 0xF;
  button(IDOK, L"OK", buttons == MB_OKCANCEL ? 40 : 75, true);
  if (buttons == MB_OKCANCEL) button(IDCANCEL, L"Cancel", 110, false);
  if (owner && !IsWindow(owner)) owner = nullptr;
  BuiltDialog built = BuildDialog(nullptr, t, owner, MessageBoxProc, 0, true);
  if (!built.window) return 0;
  return static_cast<int>(ModalLoop(built.window, owner, built.firstTabStop));
}
