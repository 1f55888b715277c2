/* A python3.dll for tests under Wine: a Winelib DLL that forwards the
   stable-ABI calls of a Windows program to the host's libpython3.11, built
   for x86_64 and for i686. Never shipped; no Windows build of Python runs
   here.

   Each export is called with the program's convention and sees the
   program's types: `long` is 32 bits, `wchar_t` is UTF-16, variadic
   arguments come in the program's va_list. On x86_64 that is the Windows
   x64 convention (ms_abi), and functions the program hands over (module
   methods, pending calls) are ms_abi too, called through trampolines. On
   i686 the C convention is the same on both sides (cdecl, arguments on the
   stack), but Windows keeps the stack only 4-byte aligned where the host's
   code may assume 16, so each export realigns it. Whatever the bridge
   cannot pass on faithfully (a format unit it does not know, keyword
   methods, module slots) fails with a SystemError that names the call. */
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <dlfcn.h>
#include <stdarg.h>
#include <stdint.h>
#include <string.h>

#include <windows.h>

#if defined(__x86_64__)
/* EXPORT marks a function the program calls, PROGRAM a function of the
   program the bridge calls; ProgramArgs is the program's va_list. */
#define EXPORT __attribute__((ms_abi))
#define PROGRAM __attribute__((ms_abi))
typedef __builtin_ms_va_list ProgramArgs;
#define program_va_start __builtin_ms_va_start
#define program_va_end __builtin_ms_va_end
#elif defined(__i386__)
/* Spelt with underscores: the Windows headers define cdecl as a macro. */
#define EXPORT __attribute__((__cdecl__, __force_align_arg_pointer__))
#define PROGRAM __attribute__((__cdecl__))
typedef va_list ProgramArgs;
#define program_va_start va_start
#define program_va_end va_end
#else
#error "the test bridge is built for x86_64 or i686"
#endif
#define MAX_PARSE_TARGETS 24

typedef uint16_t utf16_t;
typedef int32_t winlong;
typedef uint32_t winulong;

static PyObject *refuse(const char *call, const char *what) {
  PyErr_Format(PyExc_SystemError, "python3.dll test bridge: %s: %s is not supported", call, what);
  return NULL;
}

/* ---- Interpreter life and threads ---- */

/* Threads the script starts. The host interpreter would start them with
   pthread_create, and such a thread has no Windows thread environment: the
   first Windows function the program calls from it (a module function
   reading a window) faults. The bridge starts them with CreateThread
   instead, so they are Wine threads, and runs the callable there as the
   host's _thread module does. */
struct ScriptThreadStart {
  PyObject *function, *args, *kwargs;
  HANDLE started; /* set once ident holds the new thread's identity */
  unsigned long ident;
};

static DWORD WINAPI run_script_thread(void *data) {
  struct ScriptThreadStart *start = data;
  PyObject *function = start->function, *args = start->args, *kwargs = start->kwargs;
  start->ident = PyThread_get_thread_ident();
  SetEvent(start->started); /* start belongs to the starting thread from here on */
  PyGILState_STATE gil = PyGILState_Ensure();
  PyObject *result = PyObject_Call(function, args, kwargs);
  if (result) {
    Py_DECREF(result);
  } else if (PyErr_ExceptionMatches(PyExc_SystemExit)) {
    PyErr_Clear();
  } else {
    PyErr_WriteUnraisable(function);
  }
  Py_DECREF(function);
  Py_DECREF(args);
  Py_XDECREF(kwargs);
  PyGILState_Release(gil);
  return 0;
}

static PyObject *start_script_thread(PyObject *self, PyObject *call) {
  (void)self;
  struct ScriptThreadStart start = {NULL, NULL, NULL, NULL, 0};
  if (!PyArg_UnpackTuple(call, "start_new_thread", 2, 3, &start.function, &start.args, &start.kwargs)) return NULL;
  if (!PyCallable_Check(start.function)) return refuse("start_new_thread", "a first argument that is not callable");
  if (!PyTuple_Check(start.args)) return refuse("start_new_thread", "arguments that are not a tuple");
  if (start.kwargs == Py_None) start.kwargs = NULL;
  if (start.kwargs && !PyDict_Check(start.kwargs))
    return refuse("start_new_thread", "keyword arguments that are not a dict");
  start.started = CreateEventW(NULL, TRUE, FALSE, NULL);
  if (!start.started) return PyErr_Format(PyExc_RuntimeError, "can't start new thread (CreateEventW)");
  Py_INCREF(start.function);
  Py_INCREF(start.args);
  Py_XINCREF(start.kwargs);
  HANDLE thread = CreateThread(NULL, 0, run_script_thread, &start, 0, NULL);
  if (!thread) {
    Py_DECREF(start.function);
    Py_DECREF(start.args);
    Py_XDECREF(start.kwargs);
    CloseHandle(start.started);
    return PyErr_Format(PyExc_RuntimeError, "can't start new thread (CreateThread)");
  }
  /* The new thread takes nothing from the interpreter before the event. */
  WaitForSingleObject(start.started, INFINITE);
  CloseHandle(start.started);
  CloseHandle(thread);
  return PyLong_FromUnsignedLong(start.ident);
}

static PyMethodDef start_script_thread_method = {"start_new_thread", start_script_thread, METH_VARARGS,
                                                 "start a new thread (a Wine thread) and return its identifier"};

/* _thread's start functions, and threading's copy when it is loaded. */
static int install_script_threads(void) {
  PyObject *function = PyCFunction_NewEx(&start_script_thread_method, NULL, NULL);
  PyObject *thread = PyImport_ImportModule("_thread");
  int ok = function && thread && PyObject_SetAttrString(thread, "start_new_thread", function) == 0 &&
           PyObject_SetAttrString(thread, "start_new", function) == 0;
  PyObject *threading = ok ? PyDict_GetItemString(PyImport_GetModuleDict(), "threading") : NULL;
  if (threading) ok = PyObject_SetAttrString(threading, "_start_new_thread", function) == 0;
  Py_XDECREF(thread);
  Py_XDECREF(function);
  if (!ok) PyErr_Print();
  return ok;
}

EXPORT void bridge_Py_InitializeEx(int install_signal_handlers) {
  /* Wine loads this library with local symbols; the interpreter's extension
     modules need its symbols global. */
  dlopen("libpython3.11.so.1.0", RTLD_NOW | RTLD_GLOBAL | RTLD_NOLOAD);
  Py_InitializeEx(install_signal_handlers);
  if (!install_script_threads()) fprintf(stderr, "python3.dll test bridge: script threads would start without Wine\n");
}
EXPORT void bridge_Py_Finalize(void) { Py_Finalize(); }
EXPORT int bridge_PyGILState_Ensure(void) { return (int)PyGILState_Ensure(); }
EXPORT void bridge_PyGILState_Release(int state) { PyGILState_Release((PyGILState_STATE)state); }
EXPORT PyThreadState *bridge_PyEval_SaveThread(void) { return PyEval_SaveThread(); }
EXPORT void bridge_PyEval_RestoreThread(PyThreadState *state) { PyEval_RestoreThread(state); }

typedef int(PROGRAM *PendingCall)(void *);
struct PendingCallRecord {
  PendingCall call;
  void *argument;
};
static int run_pending_call(void *data) {
  struct PendingCallRecord record = *(struct PendingCallRecord *)data;
  PyMem_RawFree(data);
  return record.call(record.argument);
}
EXPORT int bridge_Py_AddPendingCall(PendingCall call, void *argument) {
  struct PendingCallRecord *record = PyMem_RawMalloc(sizeof *record);
  if (!record) return -1;
  record->call = call;
  record->argument = argument;
  int status = Py_AddPendingCall(run_pending_call, record);
  if (status != 0) PyMem_RawFree(record);
  return status;
}

/* Functions run at finalisation, last registered first, as the
   interpreter runs its own; the host calls one function of the bridge that
   runs the program's. */
typedef void(PROGRAM *ExitFunction)(void);
#define MAX_EXIT_FUNCTIONS 32
static ExitFunction exit_functions[MAX_EXIT_FUNCTIONS];
static int exit_function_count;
static void run_exit_functions(void) {
  while (exit_function_count > 0) exit_functions[--exit_function_count]();
}
EXPORT int bridge_Py_AtExit(ExitFunction function) {
  if (exit_function_count >= MAX_EXIT_FUNCTIONS) return -1;
  if (exit_function_count == 0 && Py_AtExit(run_exit_functions) != 0) return -1;
  exit_functions[exit_function_count++] = function;
  return 0;
}
EXPORT int bridge_Py_IsInitialized(void) { return Py_IsInitialized(); }

/* Thread identities are `unsigned long` on the host (64 bits on x86_64) and
   32-bit on the program's side: the program sees the low 32 bits, and a
   thread is found again by them. */
EXPORT winulong bridge_PyThread_get_thread_ident(void) { return (winulong)PyThread_get_thread_ident(); }
EXPORT int bridge_PyThreadState_SetAsyncExc(winulong id, PyObject *exception) {
  PyInterpreterState *interpreter = PyInterpreterState_Get();
  for (PyThreadState *state = PyInterpreterState_ThreadHead(interpreter); state; state = PyThreadState_Next(state))
    if ((winulong)state->thread_id == id) return PyThreadState_SetAsyncExc(state->thread_id, exception);
  return 0;
}

/* ---- Objects, calls and attributes ---- */

EXPORT void bridge__Py_Dealloc(PyObject *object) { _Py_Dealloc(object); }
EXPORT int bridge_PyCallable_Check(PyObject *object) { return PyCallable_Check(object); }
EXPORT PyObject *bridge_PyObject_CallObject(PyObject *callable, PyObject *args) {
  return PyObject_CallObject(callable, args);
}
EXPORT PyObject *bridge_PyObject_GetAttrString(PyObject *object, const char *name) {
  return PyObject_GetAttrString(object, name);
}
EXPORT winulong bridge_PyType_GetFlags(PyTypeObject *type) { return (winulong)PyType_GetFlags(type); }
EXPORT void bridge_PyMem_Free(void *memory) { PyMem_Free(memory); }

/* ---- UTF-16 text ---- */

static Py_ssize_t utf16_length(const utf16_t *text) {
  Py_ssize_t n = 0;
  while (text[n]) ++n;
  return n;
}

static PyObject *str_from_utf16(const utf16_t *text, Py_ssize_t length) {
  if (length < 0) length = utf16_length(text);
  return PyUnicode_DecodeUTF16((const char *)text, length * 2, "surrogatepass", &(int){-1});
}

EXPORT PyObject *bridge_PyUnicode_FromWideChar(const utf16_t *text, Py_ssize_t length) {
  if (!text && length != 0) {
    PyErr_BadInternalCall();
    return NULL;
  }
  if (!text) return PyUnicode_FromStringAndSize("", 0);
  return str_from_utf16(text, length);
}

/* As on Windows: a NUL-terminated UTF-16 copy from PyMem_Malloc; without a
   size pointer, text holding a NUL character is refused. */
EXPORT utf16_t *bridge_PyUnicode_AsWideCharString(PyObject *text, Py_ssize_t *size) {
  if (!PyUnicode_Check(text)) {
    PyErr_BadArgument();
    return NULL;
  }
  PyObject *bytes = PyUnicode_AsEncodedString(text, "utf-16-le", "surrogatepass");
  if (!bytes) return NULL;
  Py_ssize_t units = PyBytes_GET_SIZE(bytes) / 2;
  const utf16_t *data = (const utf16_t *)PyBytes_AS_STRING(bytes);
  if (!size) {
    for (Py_ssize_t i = 0; i < units; ++i)
      if (data[i] == 0) {
        Py_DECREF(bytes);
        PyErr_SetString(PyExc_ValueError, "embedded null character");
        return NULL;
      }
  }
  utf16_t *copy = PyMem_Malloc((size_t)(units + 1) * sizeof(utf16_t));
  if (!copy) {
    Py_DECREF(bytes);
    PyErr_NoMemory();
    return NULL;
  }
  memcpy(copy, data, (size_t)units * sizeof(utf16_t));
  copy[units] = 0;
  Py_DECREF(bytes);
  if (size) *size = units;
  return copy;
}

/* ---- Building values from an argument list of the program ---- */

/* Builds the objects of a Py_BuildValue format up to `end` (0, ')' or
   ']'); appends them to `items` (a list). Returns the position after the
   part read, or NULL with an error set. */
static const char *build_items(const char *call, const char *format, char end, ProgramArgs *args, PyObject *items);

static PyObject *build_one(const char *call, const char **position, ProgramArgs *args) {
  const char *f = *position;
  char unit = *f++;
  PyObject *result = NULL;
  switch (unit) {
    case '(':
    case '[': {
      PyObject *list = PyList_New(0);
      if (!list) return NULL;
      f = build_items(call, f, unit == '(' ? ')' : ']', args, list);
      if (!f) {
        Py_DECREF(list);
        return NULL;
      }
      ++f;
      result = unit == '(' ? PyList_AsTuple(list) : (Py_INCREF(list), list);
      Py_DECREF(list);
      break;
    }
    case 'O':
    case 'S':
    case 'N': {
      if (*f == '&' || *f == '!') return refuse(call, "format unit O& or O!");
      PyObject *object = __builtin_va_arg(*args, PyObject *);
      if (!object) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "NULL object passed to Py_BuildValue");
        return NULL;
      }
      if (unit != 'N') Py_INCREF(object);
      result = object;
      break;
    }
    case 'i':
    case 'b':
    case 'h':
    case 'B':
    case 'H':
      result = PyLong_FromLong(__builtin_va_arg(*args, int));
      break;
    case 'I':
      result = PyLong_FromUnsignedLong(__builtin_va_arg(*args, unsigned int));
      break;
    case 'l':
      result = PyLong_FromLong(__builtin_va_arg(*args, winlong));
      break;
    case 'k':
      result = PyLong_FromUnsignedLong(__builtin_va_arg(*args, winulong));
      break;
    case 'L':
      result = PyLong_FromLongLong(__builtin_va_arg(*args, long long));
      break;
    case 'K':
      result = PyLong_FromUnsignedLongLong(__builtin_va_arg(*args, unsigned long long));
      break;
    case 'n':
      result = PyLong_FromSsize_t(__builtin_va_arg(*args, Py_ssize_t));
      break;
    case 'd':
    case 'f':
      result = PyFloat_FromDouble(__builtin_va_arg(*args, double));
      break;
    case 'c': {
      char c = (char)__builtin_va_arg(*args, int);
      result = PyBytes_FromStringAndSize(&c, 1);
      break;
    }
    case 's':
    case 'z':
    case 'U':
    case 'y':
    case 'u': {
      const void *text = __builtin_va_arg(*args, const void *);
      Py_ssize_t length = -1;
      if (*f == '#') {
        ++f;
        length = __builtin_va_arg(*args, Py_ssize_t);
      }
      if (!text) {
        Py_INCREF(Py_None);
        result = Py_None;
      } else if (unit == 'u') {
        result = str_from_utf16(text, length);
      } else if (unit == 'y') {
        result = PyBytes_FromStringAndSize(text, length < 0 ? (Py_ssize_t)strlen(text) : length);
      } else {
        result = PyUnicode_FromStringAndSize(text, length < 0 ? (Py_ssize_t)strlen(text) : length);
      }
      break;
    }
    default: {
      char what[32];
      snprintf(what, sizeof what, "format unit '%c'", unit);
      return refuse(call, what);
    }
  }
  *position = f;
  return result;
}

static const char *build_items(const char *call, const char *f, char end, ProgramArgs *args, PyObject *items) {
  while (*f != end) {
    if (!*f) {
      refuse(call, "an unbalanced format");
      return NULL;
    }
    if (*f == ' ' || *f == '\t' || *f == ',' || *f == ':') {
      ++f;
      continue;
    }
    PyObject *item = build_one(call, &f, args);
    if (!item) return NULL;
    int status = PyList_Append(items, item);
    Py_DECREF(item);
    if (status != 0) return NULL;
  }
  return f;
}

/* The argument tuple of a call made with a Py_BuildValue format: no
   arguments for an empty format; a format that makes a single tuple gives
   that tuple. */
static PyObject *call_arguments(const char *call, const char *format, ProgramArgs *args) {
  if (!format || !*format) return PyTuple_New(0);
  PyObject *items = PyList_New(0);
  if (!items) return NULL;
  if (!build_items(call, format, 0, args, items)) {
    Py_DECREF(items);
    return NULL;
  }
  PyObject *result;
  if (PyList_GET_SIZE(items) == 1 && PyTuple_Check(PyList_GET_ITEM(items, 0))) {
    result = PyList_GET_ITEM(items, 0);
    Py_INCREF(result);
  } else {
    result = PyList_AsTuple(items);
  }
  Py_DECREF(items);
  return result;
}

static PyObject *call_with_format(const char *call, PyObject *callable, const char *format, ProgramArgs *args) {
  PyObject *arguments = call_arguments(call, format, args);
  if (!arguments) return NULL;
  PyObject *result = PyObject_Call(callable, arguments, NULL);
  Py_DECREF(arguments);
  return result;
}

EXPORT PyObject *bridge__PyObject_CallFunction_SizeT(PyObject *callable, const char *format, ...) {
  if (!callable) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "null argument to internal routine");
    return NULL;
  }
  ProgramArgs args;
  program_va_start(args, format);
  PyObject *result = call_with_format("_PyObject_CallFunction_SizeT", callable, format, &args);
  program_va_end(args);
  return result;
}

EXPORT PyObject *bridge__PyObject_CallMethod_SizeT(PyObject *object, const char *name, const char *format, ...) {
  if (!object || !name) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "null argument to internal routine");
    return NULL;
  }
  PyObject *method = PyObject_GetAttrString(object, name);
  if (!method) return NULL;
  ProgramArgs args;
  program_va_start(args, format);
  PyObject *result = call_with_format("_PyObject_CallMethod_SizeT", method, format, &args);
  program_va_end(args);
  Py_DECREF(method);
  return result;
}

EXPORT PyObject *bridge_PyTuple_Pack(Py_ssize_t count, ...) {
  PyObject *tuple = PyTuple_New(count);
  if (!tuple) return NULL;
  ProgramArgs args;
  program_va_start(args, count);
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject *item = __builtin_va_arg(args, PyObject *);
    Py_INCREF(item);
    PyTuple_SET_ITEM(tuple, i, item);
  }
  program_va_end(args);
  return tuple;
}

/* ---- Formatting text from an argument list of the program ----
   The PyUnicode_FromFormat conversions without width or precision; each
   piece is formatted by the host with the argument read at the program's
   width (`l` is 32 bits there). */

static PyObject *format_one(const char *call, const char **position, ProgramArgs *args) {
  const char *f = *position;
  int size = 0; /* 0: int, 1: l (32-bit), 2: ll, 3: z */
  if (f[0] == 'l' && f[1] == 'l') {
    size = 2;
    f += 2;
  } else if (*f == 'l') {
    size = 1;
    ++f;
  } else if (*f == 'z') {
    size = 3;
    ++f;
  }
  char unit = *f++;
  PyObject *result = NULL;
  switch (unit) {
    case '%':
      result = size ? refuse(call, "a length before %%") : PyUnicode_FromString("%");
      break;
    case 'd':
    case 'i': {
      long long value = size == 2   ? __builtin_va_arg(*args, long long)
                        : size == 3 ? (long long)__builtin_va_arg(*args, Py_ssize_t)
                        : size == 1 ? (long long)__builtin_va_arg(*args, winlong)
                                    : (long long)__builtin_va_arg(*args, int);
      result = PyUnicode_FromFormat("%lld", value);
      break;
    }
    case 'u':
    case 'x': {
      unsigned long long value = size == 2   ? __builtin_va_arg(*args, unsigned long long)
                                 : size == 3 ? (unsigned long long)__builtin_va_arg(*args, size_t)
                                 : size == 1 ? (unsigned long long)__builtin_va_arg(*args, winulong)
                                             : (unsigned long long)__builtin_va_arg(*args, unsigned int);
      char digits[24];
      snprintf(digits, sizeof digits, unit == 'u' ? "%llu" : "%llx", value);
      result = PyUnicode_FromString(digits);
      break;
    }
    case 'c':
      result = size ? refuse(call, "a length before %c") : PyUnicode_FromOrdinal(__builtin_va_arg(*args, int));
      break;
    case 's':
      result = size ? refuse(call, "a length before %s") : PyUnicode_FromString(__builtin_va_arg(*args, const char *));
      break;
    case 'p':
      result = size ? refuse(call, "a length before %p") : PyUnicode_FromFormat("%p", __builtin_va_arg(*args, void *));
      break;
    case 'U':
    case 'S':
    case 'R':
    case 'A': {
      PyObject *object = size ? NULL : __builtin_va_arg(*args, PyObject *);
      if (size)
        result = refuse(call, "a length before an object conversion");
      else if (!object)
        result = refuse(call, "a NULL object");
      else if (unit == 'U')
        result = (Py_INCREF(object), object);
      else
        result = unit == 'S' ? PyObject_Str(object) : unit == 'R' ? PyObject_Repr(object) : PyObject_ASCII(object);
      break;
    }
    default: {
      char what[48];
      snprintf(what, sizeof what, "the conversion '%%%c' or a width or precision", unit ? unit : '0');
      return refuse(call, what);
    }
  }
  *position = f;
  return result;
}

static PyObject *format_text(const char *call, const char *format, ProgramArgs *args) {
  PyObject *pieces = PyList_New(0);
  if (!pieces) return NULL;
  const char *f = format;
  while (*f) {
    const char *literal = f;
    while (*f && *f != '%') ++f;
    PyObject *piece = NULL;
    if (f > literal) {
      piece = PyUnicode_DecodeUTF8(literal, f - literal, "replace");
    } else {
      ++f;
      piece = format_one(call, &f, args);
    }
    if (!piece || PyList_Append(pieces, piece) != 0) {
      Py_XDECREF(piece);
      Py_DECREF(pieces);
      return NULL;
    }
    Py_DECREF(piece);
  }
  PyObject *empty = PyUnicode_FromString("");
  PyObject *text = empty ? PyUnicode_Join(empty, pieces) : NULL;
  Py_XDECREF(empty);
  Py_DECREF(pieces);
  return text;
}

EXPORT PyObject *bridge_PyUnicode_FromFormat(const char *format, ...) {
  ProgramArgs args;
  program_va_start(args, format);
  PyObject *text = format_text("PyUnicode_FromFormat", format, &args);
  program_va_end(args);
  return text;
}

/* Writes to sys.stderr and leaves a pending error as it was, as the
   interpreter's own does; a format it cannot pass on writes nothing. */
EXPORT void bridge_PySys_FormatStderr(const char *format, ...) {
  PyObject *type, *value, *traceback;
  PyErr_Fetch(&type, &value, &traceback);
  ProgramArgs args;
  program_va_start(args, format);
  PyObject *text = format_text("PySys_FormatStderr", format, &args);
  program_va_end(args);
  if (text) PySys_FormatStderr("%U", text);
  Py_XDECREF(text);
  PyErr_Restore(type, value, traceback);
}

/* ---- Parsing arguments ----
   The format is passed to the host's parser unchanged, with the program's
   target pointers; where a target is narrower on the program's side
   (`long`, `unsigned long`: 32 bits) the host writes into a 64-bit
   temporary that is narrowed afterwards, with OverflowError for a `long`
   beyond 32 bits. */

struct Narrowing {
  int index;     /* of the target */
  char unit;     /* 'l' or 'k' */
  void *program; /* the program's 32-bit target */
};

EXPORT int bridge__PyArg_ParseTuple_SizeT(PyObject *tuple, const char *format, ...) {
  static const char call[] = "_PyArg_ParseTuple_SizeT";
  void *targets[MAX_PARSE_TARGETS] = {0};
  long wide[MAX_PARSE_TARGETS] = {0};
  struct Narrowing narrowings[MAX_PARSE_TARGETS];
  int count = 0, narrowed = 0;
  ProgramArgs args;
  program_va_start(args, format);
  for (const char *f = format; *f && *f != ':' && *f != ';'; ++f) {
    char unit = *f;
    int pointers = 0;
    switch (unit) {
      case '(':
      case ')':
      case '|':
      case ' ':
        continue;
      case 'l':
      case 'k':
        if (count >= MAX_PARSE_TARGETS) break;
        narrowings[narrowed].index = count;
        narrowings[narrowed].unit = unit;
        narrowings[narrowed].program = __builtin_va_arg(args, void *);
        ++narrowed;
        targets[count] = &wide[count];
        ++count;
        continue;
      case 'b':
      case 'B':
      case 'h':
      case 'H':
      case 'i':
      case 'I':
      case 'L':
      case 'K':
      case 'n':
      case 'c':
      case 'C':
      case 'f':
      case 'd':
      case 'D':
      case 'p':
      case 'U':
      case 'S':
      case 'Y':
        pointers = 1;
        break;
      case 'O':
        if (f[1] == '&') {
          program_va_end(args);
          return refuse(call, "format unit O& (a converter function)") != NULL;
        }
        if (f[1] == '!') {
          ++f;
          pointers = 2;
        } else {
          pointers = 1;
        }
        break;
      case 's':
      case 'z':
      case 'y':
        if (f[1] == '*') {
          program_va_end(args);
          return refuse(call, "a Py_buffer format unit") != NULL;
        }
        pointers = 1;
        if (f[1] == '#') {
          ++f;
          pointers = 2;
        }
        break;
      default: {
        char what[48];
        snprintf(what, sizeof what, "format unit '%c'", unit);
        program_va_end(args);
        return refuse(call, what) != NULL;
      }
    }
    for (int i = 0; i < pointers; ++i) {
      if (count >= MAX_PARSE_TARGETS) break;
      targets[count++] = __builtin_va_arg(args, void *);
    }
    if (count >= MAX_PARSE_TARGETS) {
      program_va_end(args);
      return refuse(call, "a format with this many targets") != NULL;
    }
  }
  program_va_end(args);

  if (!PyArg_ParseTuple(tuple, format, targets[0], targets[1], targets[2], targets[3], targets[4], targets[5],
                        targets[6], targets[7], targets[8], targets[9], targets[10], targets[11], targets[12],
                        targets[13], targets[14], targets[15], targets[16], targets[17], targets[18], targets[19],
                        targets[20], targets[21], targets[22], targets[23]))
    return 0;
  for (int i = 0; i < narrowed; ++i) {
    long value = wide[narrowings[i].index];
    if (narrowings[i].unit == 'l') {
      if (value < INT32_MIN || value > INT32_MAX) {
        PyErr_SetString(PyExc_OverflowError, "Python int too large to convert to C long");
        return 0;
      }
      *(winlong *)narrowings[i].program = (winlong)value;
    } else {
      *(winulong *)narrowings[i].program = (winulong)(unsigned long)value;
    }
  }
  return 1;
}

/* ---- Modules whose methods are the program's functions ---- */

typedef PyObject *(PROGRAM *ProgramMethod)(PyObject *, PyObject *);

/* Each method becomes a host function whose self is a capsule holding the
   program's function; the capsule's context is the module, which the
   program's function gets as its self. */
static PyObject *method_trampoline(PyObject *capsule, PyObject *args) {
  ProgramMethod method = (ProgramMethod)PyCapsule_GetPointer(capsule, "python3.dll bridge method");
  if (!method) return NULL;
  return method((PyObject *)PyCapsule_GetContext(capsule), args);
}

EXPORT PyObject *bridge_PyModule_Create2(PyModuleDef *definition, int api_version) {
  static const char call[] = "PyModule_Create2";
  if (definition->m_slots || definition->m_traverse || definition->m_clear || definition->m_free)
    return refuse(call, "a module with slots, traverse, clear or free functions");
  Py_ssize_t count = 0;
  for (PyMethodDef *m = definition->m_methods; m && m->ml_name; ++m) {
    if ((m->ml_flags & ~METH_COEXIST) != METH_VARARGS) return refuse(call, "a method that is not METH_VARARGS");
    ++count;
  }
  /* The host keeps the definition for the module's life. */
  PyModuleDef *host = PyMem_RawCalloc(1, sizeof *host);
  PyMethodDef *methods = PyMem_RawCalloc((size_t)count + 1, sizeof *methods);
  if (!host || !methods) {
    PyMem_RawFree(host);
    PyMem_RawFree(methods);
    return PyErr_NoMemory();
  }
  PyModuleDef base = {
      PyModuleDef_HEAD_INIT, definition->m_name, definition->m_doc, definition->m_size, NULL, NULL, NULL, NULL, NULL};
  *host = base;
  PyObject *module = PyModule_Create2(host, api_version);
  if (!module) return NULL;
  for (Py_ssize_t i = 0; i < count; ++i) {
    const PyMethodDef *m = &definition->m_methods[i];
    methods[i].ml_name = m->ml_name;
    methods[i].ml_meth = method_trampoline;
    methods[i].ml_flags = METH_VARARGS;
    methods[i].ml_doc = m->ml_doc;
    PyObject *capsule = PyCapsule_New((void *)m->ml_meth, "python3.dll bridge method", NULL);
    PyObject *function = NULL;
    if (capsule && PyCapsule_SetContext(capsule, module) == 0) {
      PyObject *moduleName = PyModule_GetNameObject(module);
      function = moduleName ? PyCFunction_NewEx(&methods[i], capsule, moduleName) : NULL;
      Py_XDECREF(moduleName);
    }
    Py_XDECREF(capsule);
    if (!function || PyModule_AddObject(module, m->ml_name, function) != 0) {
      Py_XDECREF(function);
      Py_DECREF(module);
      return NULL;
    }
  }
  return module;
}

/* A function of its own (not a module's): the same trampoline, with the
   program's self as the capsule's context. Methods taking no arguments or
   one object are called with the same two arguments. */
EXPORT PyObject *bridge_PyCMethod_New(PyMethodDef *definition, PyObject *self, PyObject *module, PyTypeObject *cls) {
  static const char call[] = "PyCMethod_New";
  int kind = definition->ml_flags & ~METH_COEXIST;
  if (cls) return refuse(call, "a method defined in a class");
  if (kind != METH_VARARGS && kind != METH_NOARGS && kind != METH_O)
    return refuse(call, "a method that is not METH_VARARGS, METH_NOARGS or METH_O");
  /* The host keeps the definition for the function's life. */
  PyMethodDef *host = PyMem_RawCalloc(1, sizeof *host);
  if (!host) return PyErr_NoMemory();
  host->ml_name = definition->ml_name;
  host->ml_meth = method_trampoline;
  host->ml_flags = kind;
  host->ml_doc = definition->ml_doc;
  PyObject *capsule = PyCapsule_New((void *)definition->ml_meth, "python3.dll bridge method", NULL);
  PyObject *function = NULL;
  if (capsule && PyCapsule_SetContext(capsule, self) == 0) function = PyCFunction_NewEx(host, capsule, module);
  Py_XDECREF(capsule);
  if (!function) PyMem_RawFree(host);
  return function;
}

/* ---- Straight forwards: the same types on both sides ---- */

EXPORT void bridge_PyErr_Clear(void) { PyErr_Clear(); }
EXPORT void bridge_PyErr_Display(PyObject *t, PyObject *v, PyObject *tb) { PyErr_Display(t, v, tb); }
EXPORT void bridge_PyErr_Fetch(PyObject **t, PyObject **v, PyObject **tb) { PyErr_Fetch(t, v, tb); }
EXPORT void bridge_PyErr_NormalizeException(PyObject **t, PyObject **v, PyObject **tb) {
  PyErr_NormalizeException(t, v, tb);
}
EXPORT PyObject *bridge_PyErr_Occurred(void) { return PyErr_Occurred(); }
EXPORT void bridge_PyErr_SetString(PyObject *type, const char *text) { PyErr_SetString(type, text); }
EXPORT int bridge_PyException_SetTraceback(PyObject *e, PyObject *tb) { return PyException_SetTraceback(e, tb); }
EXPORT PyObject *bridge_PyEval_EvalCode(PyObject *code, PyObject *globals, PyObject *locals) {
  return PyEval_EvalCode(code, globals, locals);
}
EXPORT PyObject *bridge_PyImport_GetModuleDict(void) { return PyImport_GetModuleDict(); }
EXPORT PyObject *bridge_PyImport_Import(PyObject *name) { return PyImport_Import(name); }
EXPORT PyObject *bridge_PyImport_ImportModule(const char *name) { return PyImport_ImportModule(name); }
EXPORT PyObject *bridge_PyModule_GetDict(PyObject *module) { return PyModule_GetDict(module); }
EXPORT PyObject *bridge_PyModule_New(const char *name) { return PyModule_New(name); }
EXPORT PyObject *bridge_PySys_GetObject(const char *name) { return PySys_GetObject(name); }
EXPORT int bridge_PyFile_WriteObject(PyObject *o, PyObject *f, int flags) { return PyFile_WriteObject(o, f, flags); }
EXPORT PyObject *bridge_PyBool_FromLong(winlong value) { return PyBool_FromLong(value); }
EXPORT PyObject *bridge_PyLong_FromLong(winlong value) { return PyLong_FromLong(value); }
EXPORT int bridge_PyBytes_AsStringAndSize(PyObject *o, char **data, Py_ssize_t *size) {
  return PyBytes_AsStringAndSize(o, data, size);
}
EXPORT PyObject *bridge_PyBytes_FromStringAndSize(const char *data, Py_ssize_t size) {
  return PyBytes_FromStringAndSize(data, size);
}
EXPORT PyObject *bridge_PyUnicode_AsEncodedString(PyObject *o, const char *encoding, const char *errors) {
  return PyUnicode_AsEncodedString(o, encoding, errors);
}
EXPORT const char *bridge_PyUnicode_AsUTF8AndSize(PyObject *o, Py_ssize_t *size) {
  return PyUnicode_AsUTF8AndSize(o, size);
}
EXPORT PyObject *bridge_PyUnicode_Decode(const char *data, Py_ssize_t size, const char *encoding, const char *errors) {
  return PyUnicode_Decode(data, size, encoding, errors);
}
EXPORT PyObject *bridge_PyUnicode_DecodeFSDefault(const char *text) { return PyUnicode_DecodeFSDefault(text); }
EXPORT PyObject *bridge_PyUnicode_DecodeLatin1(const char *data, Py_ssize_t size, const char *errors) {
  return PyUnicode_DecodeLatin1(data, size, errors);
}
EXPORT PyObject *bridge_PyUnicode_FromString(const char *text) { return PyUnicode_FromString(text); }
EXPORT PyObject *bridge_PyUnicode_Join(PyObject *separator, PyObject *items) {
  return PyUnicode_Join(separator, items);
}
EXPORT int bridge_PyDict_DelItemString(PyObject *d, const char *key) { return PyDict_DelItemString(d, key); }
EXPORT PyObject *bridge_PyDict_GetItemString(PyObject *d, const char *key) { return PyDict_GetItemString(d, key); }
EXPORT PyObject *bridge_PyDict_New(void) { return PyDict_New(); }
EXPORT int bridge_PyDict_SetItem(PyObject *d, PyObject *k, PyObject *v) { return PyDict_SetItem(d, k, v); }
EXPORT int bridge_PyDict_SetItemString(PyObject *d, const char *k, PyObject *v) {
  return PyDict_SetItemString(d, k, v);
}
EXPORT PyObject *bridge_PyList_GetItem(PyObject *l, Py_ssize_t i) { return PyList_GetItem(l, i); }
EXPORT Py_ssize_t bridge_PyList_Size(PyObject *l) { return PyList_Size(l); }
EXPORT PyObject *bridge_PyTuple_GetItem(PyObject *t, Py_ssize_t i) { return PyTuple_GetItem(t, i); }
EXPORT Py_ssize_t bridge_PyTuple_Size(PyObject *t) { return PyTuple_Size(t); }
EXPORT PyObject *bridge_PyEval_GetBuiltins(void) { return PyEval_GetBuiltins(); }
EXPORT PyObject *bridge_Py_CompileString(const char *source, const char *file, int start) {
  return Py_CompileString(source, file, start);
}
EXPORT int bridge_PyObject_HasAttrString(PyObject *o, const char *name) { return PyObject_HasAttrString(o, name); }
EXPORT int bridge_PyObject_IsTrue(PyObject *o) { return PyObject_IsTrue(o); }
EXPORT int bridge_PyObject_SetAttrString(PyObject *o, const char *name, PyObject *v) {
  return PyObject_SetAttrString(o, name, v);
}
EXPORT int bridge_PyList_Append(PyObject *l, PyObject *item) { return PyList_Append(l, item); }
EXPORT PyObject *bridge_PyList_New(Py_ssize_t size) { return PyList_New(size); }
EXPORT PyObject *bridge_PySequence_Fast(PyObject *o, const char *message) { return PySequence_Fast(o, message); }
EXPORT PyObject *bridge_PySequence_GetItem(PyObject *o, Py_ssize_t i) { return PySequence_GetItem(o, i); }
EXPORT Py_ssize_t bridge_PySequence_Size(PyObject *o) { return PySequence_Size(o); }
