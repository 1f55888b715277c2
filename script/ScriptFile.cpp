#include "script/ScriptFile.h"

#include "script/ScriptErrorReport.h"
#include "script/WideText.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE *file) const { std::fclose(file); }
};

// What the name stands for, from stat(): the same answer on every build.
ScriptFileRead KindOf(const char *path) {
  struct stat status;
  if (stat(path, &status) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ScriptFileRead::Missing;
    // A size that does not fit the platform's stat is well beyond the limit.
    if (errno == EOVERFLOW) return ScriptFileRead::TooLarge;
    return ScriptFileRead::Failed;
  }
  if (S_ISDIR(status.st_mode)) return ScriptFileRead::Directory;
  if (S_ISFIFO(status.st_mode)) return ScriptFileRead::Pipe;
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return ScriptFileRead::Device;
  if (!S_ISREG(status.st_mode)) return ScriptFileRead::OtherKind;
  if (status.st_size < 0) return ScriptFileRead::Failed;
  if (static_cast<std::uintmax_t>(status.st_size) > kMaxScriptFileBytes) return ScriptFileRead::TooLarge;
  return ScriptFileRead::Read;
}

}  // namespace

ScriptFileRead ReadScriptFile(const char *path, std::string &text) {
  text.clear();
  // What the name stands for is looked at before anything is opened:
  // opening a FIFO alone would wait for a writer.
  const ScriptFileRead kind = KindOf(path);
  if (kind != ScriptFileRead::Read) return kind;

  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return ScriptFileRead::Failed;
  // The file may have grown, or been replaced, since it was looked at: no
  // more than one chunk beyond the limit is read either way.
  char chunk[65536];
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
    text.append(chunk, n);
    if (text.size() > kMaxScriptFileBytes) return ScriptFileRead::TooLarge;
    if (n < sizeof chunk) return std::ferror(file.get()) ? ScriptFileRead::Failed : ScriptFileRead::Read;
  }
}

std::wstring ScriptFileProblem(ScriptFileRead read) {
  switch (read) {
    case ScriptFileRead::Read:
      break;
    case ScriptFileRead::Missing:
      return L"was not found";
    case ScriptFileRead::Directory:
      return L"is a directory, not a file";
    case ScriptFileRead::Pipe:
      return L"is a FIFO, not a regular file";
    case ScriptFileRead::Device:
      return L"is a device, not a regular file";
    case ScriptFileRead::OtherKind:
      return L"is not a regular file";
    case ScriptFileRead::TooLarge:
      return L"is larger than " + std::to_wstring(kMaxScriptFileBytes / (1024 * 1024)) + L" MiB";
    case ScriptFileRead::Failed:
      return L"cannot be read";
  }
  return std::wstring();
}

namespace {

// The path as a string object for tracebacks: decoded as the interpreter
// decodes file names, or byte for byte when that fails.
PyObject *FileNameObject(const char *path) {
  PyObject *name = PyUnicode_DecodeFSDefault(path);
  if (!name) {
    PyErr_Clear();
    name = PyUnicode_DecodeLatin1(path, static_cast<Py_ssize_t>(std::char_traits<char>::length(path)), nullptr);
  }
  return name;
}

// The compiled code of the source text (new reference), or null with the
// error set. The interpreter's own compile() is given the text as bytes, so
// it honours a coding declaration and a UTF-8 byte order mark and accepts
// any line ending, and it keeps the file-name object for tracebacks. It
// inherits no compiler flags and optimises as the interpreter is set to.
PyObject *CompileSource(const std::string &text, PyObject *fileName) {
  PyObject *builtins = PyImport_ImportModule("builtins");
  PyObject *compile = builtins ? PyObject_GetAttrString(builtins, "compile") : nullptr;
  PyObject *source = compile ? PyBytes_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())) : nullptr;
  PyObject *code = source ? PyObject_CallFunction(compile, "OOsii", source, fileName, "exec", 0, 1) : nullptr;
  Py_XDECREF(source);
  Py_XDECREF(compile);
  Py_XDECREF(builtins);
  return code;
}

void FlushStandardOutput() {
  PyObject *stream = PySys_GetObject("stdout");  // borrowed
  if (stream && stream != Py_None) {
    PyObject *result = PyObject_CallMethod(stream, "flush", nullptr);
    Py_XDECREF(result);
  }
  PyErr_Clear();
}

}  // namespace

std::wstring ScriptPathText(const char *path) {
  std::wstring text;
  PyObject *name = FileNameObject(path);
  if (!name || !WideFromStr(name, &text)) PyErr_Clear();
  Py_XDECREF(name);
  return text;
}

bool RunScriptText(PyObject *module, const std::string &text, const char *path) {
  PyObject *globals = module ? PyModule_GetDict(module) : nullptr;  // borrowed
  if (!globals) {
    PyErr_Clear();
    return false;
  }
  PyObject *fileName = FileNameObject(path);
  if (!fileName) {
    ReportScriptError();
    return false;
  }

  // Like a main script, the file sees its own path in __file__ while it
  // runs, unless the namespace already names one.
  bool setFileName = false;
  if (!PyDict_GetItemString(globals, "__file__")) {
    setFileName = PyDict_SetItemString(globals, "__file__", fileName) == 0 &&
                  PyDict_SetItemString(globals, "__cached__", Py_None) == 0;
    PyErr_Clear();
  }

  PyObject *result = nullptr;
  if (text.find('\0') != std::string::npos) {
    PyErr_SetString(PyExc_SyntaxError, "source code cannot contain null bytes");
  } else {
    PyObject *code = CompileSource(text, fileName);
    if (code) result = PyEval_EvalCode(code, globals, globals);
    Py_XDECREF(code);
  }
  bool ran = result != nullptr;
  Py_XDECREF(result);
  if (!ran) ReportScriptError();
  FlushStandardOutput();

  if (setFileName) {
    if (PyDict_DelItemString(globals, "__file__") != 0) PyErr_Clear();
    if (PyDict_DelItemString(globals, "__cached__") != 0) PyErr_Clear();
  }
  Py_DECREF(fileName);
  return ran;
}
