// Identifiers of the program's resources (quillmere.rc), its menu commands,
// the log view's control id and the tray icon's id.
#ifndef QUILLMERE_SHELL_RESOURCE_H
#define QUILLMERE_SHELL_RESOURCE_H

#define IDD_ABOUTBOX 103
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDI_QUILLMERE 107
#define IDI_SMALL 108
#define IDC_QUILLMERE 109
// Runs the script file again from the start (menu and accelerator).
#define IDM_RELOAD 110
// Stops and resumes acting on focus changes (menu, checked while paused).
#define IDM_PAUSE 111

// The log view, a child control of the main window.
#define IDC_LOGVIEW 5
// The notification-area icon (its uID; not a resource).
#define ID_TRAYICON 1

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif
