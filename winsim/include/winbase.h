/* Kernel services (kernel32) of winsim: processes, threads, cross-process
 * memory, handles, errors and modules. */
#ifndef WINSIM_WINBASE_H
#define WINSIM_WINBASE_H

#include <windef.h>

/* Errors */
#define ERROR_SUCCESS 0
#define NO_ERROR 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_INVALID_PARAMETER 87
#define ERROR_NOT_SUPPORTED 50
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_INVALID_ADDRESS 487
#define ERROR_PARTIAL_COPY 299
#define ERROR_NOACCESS 998
#define ERROR_INVALID_WINDOW_HANDLE 1400
#define ERROR_INVALID_MENU_HANDLE 1401
#define ERROR_INVALID_HOOK_HANDLE 1404
#define ERROR_CLASS_ALREADY_EXISTS 1410
#define ERROR_CLASS_DOES_NOT_EXIST 1411
#define ERROR_CLASS_HAS_WINDOWS 1412
#define ERROR_TLW_WITH_WSCHILD 1406
#define ERROR_CANNOT_FIND_WND_CLASS 1407
#define ERROR_INVALID_THREAD_ID 1444
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813
#define ERROR_NOT_ENOUGH_QUOTA 1816
#define ERROR_INVALID_INDEX 1413
#define ERROR_WINDOW_OF_OTHER_THREAD 1408
#define ERROR_INVALID_DWP_HANDLE 1405
#define ERROR_HOOK_NEEDS_HMOD 1428
#define ERROR_INVALID_FILTER_PROC 1427
#define ERROR_GEN_FAILURE 31
#define ERROR_ALREADY_EXISTS 183
#define ERROR_MOD_NOT_FOUND 126

/* Process access rights */
#define PROCESS_TERMINATE 0x0001
#define PROCESS_CREATE_THREAD 0x0002
#define PROCESS_VM_OPERATION 0x0008
#define PROCESS_VM_READ 0x0010
#define PROCESS_VM_WRITE 0x0020
#define PROCESS_DUP_HANDLE 0x0040
#define PROCESS_QUERY_INFORMATION 0x0400
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#define SYNCHRONIZE 0x00100000
#define PROCESS_ALL_ACCESS 0x001FFFFF

/* Virtual memory */
#define MEM_COMMIT 0x00001000
#define MEM_RESERVE 0x00002000
#define MEM_DECOMMIT 0x00004000
#define MEM_RELEASE 0x00008000
#define MEM_FREE 0x00010000
#define MEM_PRIVATE 0x00020000
#define PAGE_NOACCESS 0x01
#define PAGE_READONLY 0x02
#define PAGE_READWRITE 0x04
#define PAGE_EXECUTE 0x10
#define PAGE_EXECUTE_READ 0x20
#define PAGE_EXECUTE_READWRITE 0x40

typedef struct _MEMORY_BASIC_INFORMATION {
  PVOID BaseAddress;
  PVOID AllocationBase;
  DWORD AllocationProtect;
  SIZE_T RegionSize;
  DWORD State;
  DWORD Protect;
  DWORD Type;
} MEMORY_BASIC_INFORMATION, *PMEMORY_BASIC_INFORMATION;

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

/* File moves */
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_WRITE_THROUGH 0x00000008

/* DLL entry reasons */
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

WINBASEAPI DWORD WINAPI GetLastError(void);
WINBASEAPI void WINAPI SetLastError(DWORD error);

WINBASEAPI HANDLE WINAPI GetCurrentProcess(void);
// Ends the process with the exit code, every thread with it, wherever they
// are; no static destructor runs. winsim runs the program in its host's own
// process, so for the program the host ends too; the standard streams are
// flushed first. In a simulated process (CreateProcessW, the driver's) the
// libraries mapped for hooks see the end, and the calling thread leaves by
// throwing the driver's ProcessKilled, which the process's thread catches.
WINBASEAPI [[noreturn]] void WINAPI ExitProcess(UINT exitCode);
// Ends a process at once with the exit code: no library is told, nothing
// is flushed by the platform. The program's own process (GetCurrentProcess())
// ends the host; the standard streams are flushed first. Another process,
// through a handle with PROCESS_TERMINATE, ends as the driver's KillProgram
// ends the program. An ended one fails with ERROR_ACCESS_DENIED.
WINBASEAPI BOOL WINAPI TerminateProcess(HANDLE process, UINT exitCode);
#define STILL_ACTIVE 259
// STILL_ACTIVE while the process runs, then its exit code. Needs
// PROCESS_QUERY_(LIMITED_)INFORMATION.
WINBASEAPI BOOL WINAPI GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
// TRUE in *wow64 for a 32-bit process (winsim is 64-bit Windows).
WINBASEAPI BOOL WINAPI IsWow64Process(HANDLE process, PBOOL wow64);

/* Starting processes (image.cpp) */
#define CREATE_SUSPENDED 0x00000004
#define DETACHED_PROCESS 0x00000008
#define CREATE_NEW_CONSOLE 0x00000010
#define CREATE_UNICODE_ENVIRONMENT 0x00000400
#define CREATE_NO_WINDOW 0x08000000
#define STARTF_USESHOWWINDOW 0x00000001
typedef struct _STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
} STARTUPINFOW, *LPSTARTUPINFOW;
typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *PPROCESS_INFORMATION, *LPPROCESS_INFORMATION;
struct _SECURITY_ATTRIBUTES;
// Starts an executable the driver registered (winsim::driver::RegisterImage),
// found by the last component of applicationName, or of the command line's
// first token when that is null. An unknown one fails with
// ERROR_FILE_NOT_FOUND; CREATE_SUSPENDED fails with ERROR_NOT_SUPPORTED.
// The handles are the caller's to close.
WINBASEAPI BOOL WINAPI CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine,
                                      struct _SECURITY_ATTRIBUTES *processAttributes,
                                      struct _SECURITY_ATTRIBUTES *threadAttributes, BOOL inheritHandles,
                                      DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                                      LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation);
WINBASEAPI LPWSTR WINAPI GetCommandLineW(void);
// The executable's path for module null (or the executable's own handle):
// at most size characters with the terminator; a longer path is cut to
// size - 1 characters and terminated, size is returned and the error is
// ERROR_INSUFFICIENT_BUFFER. A process CreateProcessW started has the path
// it was started by; the program, its real executable's. Any other module
// fails with ERROR_MOD_NOT_FOUND.
WINBASEAPI DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
WINBASEAPI DWORD WINAPI GetCurrentProcessId(void);
WINBASEAPI DWORD WINAPI GetCurrentThreadId(void);
WINBASEAPI HANDLE WINAPI OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId);
WINBASEAPI BOOL WINAPI CloseHandle(HANDLE object);

WINBASEAPI LPVOID WINAPI VirtualAllocEx(HANDLE process, LPVOID address, SIZE_T size, DWORD allocationType,
                                        DWORD protect);
WINBASEAPI LPVOID WINAPI VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocationType, DWORD protect);
WINBASEAPI BOOL WINAPI VirtualFreeEx(HANDLE process, LPVOID address, SIZE_T size, DWORD freeType);
WINBASEAPI BOOL WINAPI VirtualFree(LPVOID address, SIZE_T size, DWORD freeType);
WINBASEAPI SIZE_T WINAPI VirtualQueryEx(HANDLE process, LPCVOID address, PMEMORY_BASIC_INFORMATION buffer,
                                        SIZE_T length);
WINBASEAPI SIZE_T WINAPI VirtualQuery(LPCVOID address, PMEMORY_BASIC_INFORMATION buffer, SIZE_T length);
WINBASEAPI BOOL WINAPI WriteProcessMemory(HANDLE process, LPVOID baseAddress, LPCVOID buffer, SIZE_T size,
                                          SIZE_T *written);
WINBASEAPI BOOL WINAPI ReadProcessMemory(HANDLE process, LPCVOID baseAddress, LPVOID buffer, SIZE_T size, SIZE_T *read);

/* Global atoms */
#define MAKEINTATOM(i) ((LPWSTR)(ULONG_PTR)((WORD)(i)))
WINBASEAPI ATOM WINAPI GlobalAddAtomW(LPCWSTR name);
WINBASEAPI ATOM WINAPI GlobalFindAtomW(LPCWSTR name);
WINBASEAPI ATOM WINAPI GlobalDeleteAtom(ATOM atom);

WINBASEAPI HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName);
WINBASEAPI int WINAPI MulDiv(int number, int numerator, int denominator);
WINBASEAPI void WINAPI Sleep(DWORD milliseconds);
WINBASEAPI BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR replacement, DWORD flags);
WINBASEAPI BOOL WINAPI DeleteFileA(LPCSTR fileName);

/* Named kernel objects and the tick count */
typedef unsigned long long ULONGLONG;
typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;
// A named mutex lives while a handle to it is open, in any process of the
// session; creating one whose name exists opens it and sets
// ERROR_ALREADY_EXISTS, else the last error is 0. winsim keeps one
// namespace for the desktop ("Local\\" is part of the name) and has no
// waiting functions: a mutex is created unowned (initialOwner must be FALSE).
WINBASEAPI HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCWSTR name);
// Milliseconds since the system started (GetTickCount wraps after 49.7 days).
WINBASEAPI DWORD WINAPI GetTickCount(void);
WINBASEAPI ULONGLONG WINAPI GetTickCount64(void);

/* Events and waits (waitable.cpp) */
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 0x00000102L
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)
#define MAXIMUM_WAIT_OBJECTS 64
#define ERROR_DIRECTORY 267
// Names and security attributes are not simulated: a name fails with
// ERROR_NOT_SUPPORTED.
WINBASEAPI HANDLE WINAPI CreateEventW(LPVOID attributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
WINBASEAPI BOOL WINAPI SetEvent(HANDLE event);
WINBASEAPI BOOL WINAPI ResetEvent(HANDLE event);
WINBASEAPI DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds);
// Waits for any one of the objects (waitAll TRUE fails with
// ERROR_NOT_SUPPORTED); the lowest index among the signalled ones wins.
// Events, change notifications and process handles with SYNCHRONIZE (a
// process is signalled once it has ended) can be waited for.
WINBASEAPI DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE *handles, BOOL waitAll, DWORD milliseconds);

/* Directory change notifications (waitable.cpp) */
#define FILE_NOTIFY_CHANGE_FILE_NAME 0x00000001
#define FILE_NOTIFY_CHANGE_DIR_NAME 0x00000002
#define FILE_NOTIFY_CHANGE_ATTRIBUTES 0x00000004
#define FILE_NOTIFY_CHANGE_SIZE 0x00000008
#define FILE_NOTIFY_CHANGE_LAST_WRITE 0x00000010
// A handle signalled at the first change of the kind in the directory
// (watchSubtree TRUE fails with ERROR_NOT_SUPPORTED); INVALID_HANDLE_VALUE
// when the directory cannot be watched.
WINBASEAPI HANDLE WINAPI FindFirstChangeNotificationA(LPCSTR path, BOOL watchSubtree, DWORD filter);
// Asks for the next change: the handle stays signalled when changes came
// since it was signalled.
WINBASEAPI BOOL WINAPI FindNextChangeNotification(HANDLE change);
WINBASEAPI BOOL WINAPI FindCloseChangeNotification(HANDLE change);

/* File information (fileinfo.cpp) */
typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *LPFILETIME;
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080
typedef enum _GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard, GetFileExMaxInfoLevel } GET_FILEEX_INFO_LEVELS;
typedef struct _WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
} WIN32_FILE_ATTRIBUTE_DATA, *LPWIN32_FILE_ATTRIBUTE_DATA;
WINBASEAPI BOOL WINAPI GetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID information);

#endif
