// Identifiers of the program's resources (quillmere.rc).
#ifndef QUILLMERE_SHELL_RESOURCE_H
#define QUILLMERE_SHELL_RESOURCE_H

#define IDD_ABOUTBOX 103
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDI_QUILLMERE 107
#define IDI_SMALL 108
#define IDC_QUILLMERE 109

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif
