/* The interpreter's configuration header for the Windows program, which
   links python3.dll, the interpreter's stable ABI, and so depends on
   nothing but what every Windows build of Python 3.10 or newer shares: a
   release build on the LLP64 (64-bit) or ILP32 (32-bit) data model, with
   2-byte wchar_t, exporting everything from a DLL. The rest of the headers
   are platform-neutral. */
#ifndef Py_CONFIG_H
#define Py_CONFIG_H

#if !defined(Py_LIMITED_API)
#error "this configuration describes only python3.dll: build with Py_LIMITED_API"
#endif
#if defined(Py_DEBUG) || defined(Py_REF_DEBUG) || defined(Py_TRACE_REFS)
#error "python3.dll is a release build: Py_DEBUG, Py_REF_DEBUG and Py_TRACE_REFS change the object layout"
#endif
#if !defined(_WIN32)
#error "this configuration is for Windows"
#endif

#define MS_WIN32
#define MS_WINDOWS
#ifdef _WIN64
#define MS_WIN64
#endif
#define NT_THREADS
#define WITH_THREAD

/* Every interpreter symbol is imported from the DLL. */
#define Py_ENABLE_SHARED 1
#define HAVE_DECLSPEC_DLL

#define SIZEOF_SHORT 2
#define SIZEOF_INT 4
#define SIZEOF_LONG 4
#define SIZEOF_LONG_LONG 8
#define SIZEOF_DOUBLE 8
#define SIZEOF_FLOAT 4
#define SIZEOF_WCHAR_T 2
#define SIZEOF_TIME_T 8
#define SIZEOF__BOOL 1
#define SIZEOF_PID_T SIZEOF_INT
#define SIZEOF_OFF_T 4
#define SIZEOF_FPOS_T 8
#ifdef _WIN64
#define SIZEOF_VOID_P 8
#define SIZEOF_SIZE_T 8
#define SIZEOF_UINTPTR_T 8
#define SIZEOF_HKEY 8
#else
#define SIZEOF_VOID_P 4
#define SIZEOF_SIZE_T 4
#define SIZEOF_UINTPTR_T 4
#define SIZEOF_HKEY 4
#endif
#define ALIGNOF_SIZE_T SIZEOF_SIZE_T
#define ALIGNOF_LONG 4

/* Py_ssize_t is the signed type of a pointer's width; __int64 is not yet
   defined where this header is read. */
#define HAVE_PY_SSIZE_T 1
#ifdef _WIN64
typedef long long Py_ssize_t;
#define PY_SSIZE_T_MAX 0x7fffffffffffffffLL
#else
typedef int Py_ssize_t;
#define PY_SSIZE_T_MAX 0x7fffffff
#endif

#define HAVE_LONG_LONG 1

#define HAVE_WCHAR_H 1
#define HAVE_STDDEF_H 1
#define HAVE_SYS_STAT_H 1
#define HAVE_SYS_TYPES_H 1
#define HAVE_USABLE_WCHAR_T 1
#define HAVE_FCNTL_H 1
#define HAVE_ERRNO_H 1
#define HAVE_SIGNAL_H 1
#define HAVE_STDARG_PROTOTYPES 1
#define DONT_HAVE_SIG_ALARM
#define DONT_HAVE_SIG_PAUSE
#define LONG_BIT (8 * SIZEOF_LONG)
#define PY_FORMAT_SIZE_T "z"
#define Py_SOCKET_FD_CAN_BE_GE_FD_SETSIZE

#define DOUBLE_IS_LITTLE_ENDIAN_IEEE754 1
#define PY_LITTLE_ENDIAN 1
#define WORDS_LITTLEENDIAN 1

#endif /* !Py_CONFIG_H */
