// How the Windows program finds the interpreter: the registry listing of
// PEP 514, the order of the tags, loading the first usable python3.dll and
// the check of the functions it must export. Runs under Wine, against a
// registry key of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "shell/PythonImports.h"
#include "shell/PythonRuntime.h"

// PreparePythonRuntime checks these; the tests here use other lists.
const char *const kPythonImports[] = {"RegisterHook"};
const std::size_t kPythonImportCount = 1;

namespace {

const wchar_t kTestKey[] = L"Software\\QuillmereTest\\PythonCore";

std::wstring Tags(const std::vector<PythonInstallation> &installations) {
  std::wstring tags;
  for (const PythonInstallation &installation : installations) tags += installation.tag + L" ";
  return tags;
}

// A registry tree of its own under HKCU, removed again afterwards.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\QuillmereTest"); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\QuillmereTest"); }

  // Adds the tag's key and, when path is not null, its InstallPath.
  void Register(const std::wstring &tag, const wchar_t *path, DWORD type = REG_SZ) {
    HKEY key = nullptr;
    std::wstring name = std::wstring(kTestKey) + L"\\" + tag + (path ? L"\\InstallPath" : L"");
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    if (path)
      RegSetValueExW(key, nullptr, 0, type, reinterpret_cast<const BYTE *>(path),
                     static_cast<DWORD>((wcslen(path) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
};

// A folder of its own under the temporary folder, removed afterwards.
class TempFolder {
 public:
  explicit TempFolder(const wchar_t *name) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = std::wstring(base) + name;
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempFolder() {
    DeleteFileW((path_ + L"\\python3.dll").c_str());
    RemoveDirectoryW(path_.c_str());
  }
  const std::wstring &path() const { return path_; }

 private:
  std::wstring path_;
};

std::wstring ModuleFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L"\\/"));
}

}  // namespace

TEST(PythonTagTest, ReadsMajorAndMinorAndIgnoresSuffixes) {
  int major = 0, minor = 0;
  EXPECT_TRUE(ParsePythonTag(L"3.12", major, minor));
  EXPECT_EQ(3, major);
  EXPECT_EQ(12, minor);
  EXPECT_TRUE(ParsePythonTag(L"3.10-32", major, minor));
  EXPECT_EQ(10, minor);
  EXPECT_TRUE(ParsePythonTag(L"3.13t", major, minor));
  EXPECT_EQ(13, minor);
  for (const wchar_t *bad : {L"", L"3", L"3.", L".10", L"ContinuumAnalytics", L"x3.10"})
    EXPECT_FALSE(ParsePythonTag(bad, major, minor)) << bad;
}

TEST(PythonTagTest, NewestVersionFirstByNumberNotByText) {
  std::vector<std::wstring> tags = {L"3.9", L"Custom", L"3.10", L"3.12-32", L"3.11", L"4.0", L"3.100"};
  std::sort(tags.begin(), tags.end(), PythonTagComesFirst);
  EXPECT_EQ((std::vector<std::wstring>{L"4.0", L"3.100", L"3.12-32", L"3.11", L"3.10", L"3.9", L"Custom"}), tags);
}

TEST_F(RegistryTest, ListsInstallationsOfTenAndNewerWithAnInstallPathNewestFirst) {
  Register(L"3.11", L"C:\\Python311");
  Register(L"3.13", L"C:\\Python313\\");
  Register(L"3.8", L"C:\\Python38");  // too old for the stable ABI the program needs
  Register(L"3.12", nullptr);         // no InstallPath
  Register(L"3.12-32", L"");          // an empty one
  Register(L"3.14", L"%SystemRoot%\\Py314", REG_EXPAND_SZ);
  std::vector<PythonInstallation> found = ListPythonInstallations(HKEY_CURRENT_USER, kTestKey);
  ASSERT_EQ(L"3.14 3.13 3.11 ", Tags(found));
  wchar_t root[MAX_PATH];
  GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);
  EXPECT_EQ(std::wstring(root) + L"\\Py314", found[0].installPath);
  EXPECT_EQ(L"C:\\Python313\\", found[1].installPath);
  EXPECT_EQ(L"C:\\Python311", found[2].installPath);
}

TEST_F(RegistryTest, TheUsersInstallationsComeBeforeTheMachines) {
  Register(L"3.10", L"C:\\User310");
  std::vector<PythonInstallation> found = FindPythonInstallations(kTestKey);
  ASSERT_FALSE(found.empty());
  EXPECT_EQ(L"3.10", found[0].tag);
  EXPECT_TRUE(ListPythonInstallations(HKEY_LOCAL_MACHINE, L"Software\\QuillmereTest\\Missing").empty());
}

TEST(PythonLibraryTest, SkipsFoldersWithoutALoadableLibraryAndLoadsTheNextOne) {
  TempFolder empty(L"quillmere-python-none");
  TempFolder broken(L"quillmere-python-broken");
  TempFolder good(L"quillmere-python-good");
  { std::ofstream((broken.path() + L"\\python3.dll").c_str()) << "not a library"; }
  // Any loadable library serves as python3.dll here: the hook library.
  const std::wstring dll = ModuleFolder() + L"\\" + TEXT(QUILLMERE_TEST_DLL_NAME);
  ASSERT_TRUE(CopyFileW(dll.c_str(), (good.path() + L"\\python3.dll").c_str(), FALSE));

  std::vector<PythonInstallation> installations = {
      {L"3.14", empty.path()}, {L"3.13", broken.path()}, {L"3.12", good.path() + L"\\"}};
  PythonInstallation loaded;
  HMODULE library = LoadPythonLibrary(installations, &loaded);
  ASSERT_NE(nullptr, library);
  EXPECT_EQ(L"3.12", loaded.tag);

  const char *names[] = {"RegisterHook", "Py_InitializeEx", "UnregisterHook", "PyFoo"};
  EXPECT_EQ((std::vector<std::string>{"Py_InitializeEx", "PyFoo"}), MissingPythonFunctions(library, names, 4));
  FreeLibrary(library);

  EXPECT_EQ(nullptr, LoadPythonLibrary({{L"3.14", empty.path()}, {L"3.13", broken.path()}}, &loaded));
  EXPECT_EQ(nullptr, LoadPythonLibrary({}, &loaded));
}
