#include "shell/PythonRuntime.h"

#include <delayimp.h>

#include <algorithm>
#include <cwchar>
#include <cstring>
#include <iterator>
#include <string>

#include "scoped/RegistryKey.h"
#include "shell/PythonImports.h"

const wchar_t kPythonCoreKey[] = L"Software\\Python\\PythonCore";

namespace {

constexpr wchar_t kCaption[] = L"Quillmere";
constexpr wchar_t kPythonLibrary[] = L"python3.dll";
constexpr char kPythonLibraryNarrow[] = "python3.dll";

HMODULE g_python = nullptr;

const wchar_t *Bitness() { return sizeof(void *) == 8 ? L"64-bit" : L"32-bit"; }

// The default value of a key as a string; empty when it has none.
std::wstring DefaultString(HKEY key) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ) || size < sizeof(wchar_t))
    return std::wstring();
  std::wstring value(size / sizeof(wchar_t), L'\0');
  if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE *>(&value[0]), &size) != ERROR_SUCCESS)
    return std::wstring();
  value.resize(std::wcslen(value.c_str()));
  if (type == REG_EXPAND_SZ) {
    wchar_t expanded[MAX_PATH * 2];
    DWORD n = ExpandEnvironmentStringsW(value.c_str(), expanded, static_cast<DWORD>(std::size(expanded)));
    if (n > 0 && n <= std::size(expanded)) value = expanded;
  }
  return value;
}

// Reads a decimal number at text[i]; false when there is none.
bool ReadNumber(const std::wstring &text, std::size_t &i, int &number) {
  const std::size_t start = i;
  number = 0;
  while (i < text.size() && text[i] >= L'0' && text[i] <= L'9' && i - start < 6)
    number = number * 10 + (text[i++] - L'0');
  return i > start;
}

void ShowError(const std::wstring &text) { MessageBoxW(nullptr, text.c_str(), kCaption, MB_OK | MB_ICONERROR); }

// Routes the delay-loaded import of python3.dll to the library found;
// the failure hook is the last resort for a function the check at start
// did not know about.
FARPROC WINAPI DelayLoadNotify(unsigned notification, PDelayLoadInfo info) {
  if (notification == dliNotePreLoadLibrary && g_python && _stricmp(info->szDll, kPythonLibraryNarrow) == 0)
    return reinterpret_cast<FARPROC>(g_python);
  return nullptr;
}

FARPROC WINAPI DelayLoadFailure(unsigned notification, PDelayLoadInfo info) {
  std::wstring what;
  if (notification == dliFailGetProc && info->dlp.fImportByName) {
    const char *name = info->dlp.szProcName;
    what = L"The Python library lacks the function " + std::wstring(name, name + std::strlen(name)) + L".";
  } else {
    what = L"The Python library could not be loaded.";
  }
  ShowError(what + L"\n\nQuillmere needs Python " + std::to_wstring(kPythonMinimumMajor) + L"." +
            std::to_wstring(kPythonMinimumMinor) + L" or newer of the same bitness (" + Bitness() + L").");
  ExitProcess(notification == dliFailGetProc ? kExitPythonLacksFunction : kExitNoPython);
  return nullptr;
}

}  // namespace

bool ParsePythonTag(const std::wstring &tag, int &major, int &minor) {
  std::size_t i = 0;
  if (!ReadNumber(tag, i, major) || i >= tag.size() || tag[i] != L'.') return false;
  ++i;
  return ReadNumber(tag, i, minor);
}

bool PythonTagComesFirst(const std::wstring &a, const std::wstring &b) {
  int aMajor = 0, aMinor = 0, bMajor = 0, bMinor = 0;
  const bool aVersion = ParsePythonTag(a, aMajor, aMinor);
  const bool bVersion = ParsePythonTag(b, bMajor, bMinor);
  if (aVersion != bVersion) return aVersion;
  if (aVersion && (aMajor != bMajor || aMinor != bMinor)) return aMajor != bMajor ? aMajor > bMajor : aMinor > bMinor;
  return a < b;
}

std::vector<PythonInstallation> ListPythonInstallations(HKEY root, const wchar_t *key) {
  std::vector<PythonInstallation> found;
  RegistryKey core(root, key);
  if (!core.get()) return found;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = static_cast<DWORD>(std::size(name));
    LONG status = RegEnumKeyExW(core.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) continue;
    PythonInstallation installation{std::wstring(name, length), std::wstring()};
    int major = 0, minor = 0;
    if (!ParsePythonTag(installation.tag, major, minor) ||
        major * 1000 + minor < kPythonMinimumMajor * 1000 + kPythonMinimumMinor)
      continue;
    RegistryKey path(core.get(), installation.tag + L"\\InstallPath");
    if (!path.get()) continue;
    installation.installPath = DefaultString(path.get());
    if (!installation.installPath.empty()) found.push_back(installation);
  }
  std::stable_sort(found.begin(), found.end(), [](const PythonInstallation &a, const PythonInstallation &b) {
    return PythonTagComesFirst(a.tag, b.tag);
  });
  return found;
}

std::vector<PythonInstallation> FindPythonInstallations(const wchar_t *key) {
  std::vector<PythonInstallation> all = ListPythonInstallations(HKEY_CURRENT_USER, key);
  std::vector<PythonInstallation> machine = ListPythonInstallations(HKEY_LOCAL_MACHINE, key);
  all.insert(all.end(), machine.begin(), machine.end());
  return all;
}

HMODULE LoadPythonLibrary(const std::vector<PythonInstallation> &installations, PythonInstallation *loaded) {
  for (const PythonInstallation &installation : installations) {
    std::wstring path = installation.installPath;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += kPythonLibrary;
    // The library's own folder is searched for what it needs in turn
    // (python3XY.dll, the C runtime).
    HMODULE library = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library) {
      if (loaded) *loaded = installation;
      return library;
    }
  }
  return nullptr;
}

std::vector<std::string> MissingPythonFunctions(HMODULE library, const char *const *names, std::size_t count) {
  std::vector<std::string> missing;
  for (std::size_t i = 0; i < count; ++i)
    if (!GetProcAddress(library, names[i])) missing.push_back(names[i]);
  return missing;
}

int PreparePythonRuntime() {
  const std::wstring requirement = L"Quillmere needs Python " + std::to_wstring(kPythonMinimumMajor) + L"." +
                                   std::to_wstring(kPythonMinimumMinor) + L" or newer of the same bitness (" +
                                   Bitness() + L").";
  PythonInstallation installation;
  HMODULE library = LoadPythonLibrary(FindPythonInstallations(), &installation);
  if (!library) {
    ShowError(requirement + L"\n\nNo such Python is installed. Install Python for " + Bitness() +
              L" Windows from python.org, then start Quillmere again.");
    return kExitNoPython;
  }
  std::vector<std::string> missing = MissingPythonFunctions(library, kPythonImports, kPythonImportCount);
  if (!missing.empty()) {
    const std::string &name = missing.front();
    ShowError(L"The Python " + installation.tag + L" in " + installation.installPath + L" lacks the function " +
              std::wstring(name.begin(), name.end()) + L", which Quillmere calls.\n\n" + requirement);
    FreeLibrary(library);
    return kExitPythonLacksFunction;
  }
  g_python = library;
  __pfnDliNotifyHook2 = DelayLoadNotify;
  __pfnDliFailureHook2 = DelayLoadFailure;
  return 0;
}

int ReportIncompleteInterpreter() {
  ShowError(
      L"The Python interpreter started without one of its built-in objects (None, True, False or an "
      L"exception type), which Quillmere uses.");
  return kExitPythonLacksFunction;
}
