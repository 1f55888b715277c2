// The window class of the program's main window. The program registers
// it; hosts and tests find the running program's main window by it.
#ifndef QUILLMERE_SHELL_MAINWINDOWCLASS_H
#define QUILLMERE_SHELL_MAINWINDOWCLASS_H

inline constexpr wchar_t kMainWindowClassName[] = L"QuillmereMainWindow";

#endif
