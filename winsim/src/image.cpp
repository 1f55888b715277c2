// Executables the driver registers, and the processes CreateProcessW starts
// from them: each runs its entry on a first thread of its own, in a
// process of the image's machine.
#include "desktop.h"

#include <atomic>
#include <cwctype>

using namespace winsim;

namespace {

struct Image {
  driver::Machine machine = driver::Machine::X64;
  std::function<int(const std::wstring &)> entry;
};

// A process CreateProcessW started, and the OS thread that runs it.
struct Started {
  std::shared_ptr<Process> process;
  std::thread os;
  std::shared_ptr<std::atomic<bool>> finished = std::make_shared<std::atomic<bool>>(false);
};

std::mutex g_imagesMutex;
// Never destroyed: processes still running when the host exits end with it.
std::map<std::wstring, Image> &g_images = *new std::map<std::wstring, Image>;
std::vector<Started> &g_started = *new std::vector<Started>;

std::wstring Lower(std::wstring s) {
  for (wchar_t &c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

std::wstring LastComponent(const std::wstring &path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The executable a command line names: its first token, quotes honoured.
std::wstring FirstToken(const std::wstring &commandLine) {
  size_t i = commandLine.find_first_not_of(L" \t");
  if (i == std::wstring::npos) return L"";
  if (commandLine[i] == L'"') {
    const size_t close = commandLine.find(L'"', i + 1);
    return commandLine.substr(i + 1, close == std::wstring::npos ? std::wstring::npos : close - i - 1);
  }
  const size_t end = commandLine.find_first_of(L" \t", i);
  return commandLine.substr(i, end == std::wstring::npos ? std::wstring::npos : end - i);
}

// The registered image a file name names; a name without an extension
// finds the ".exe" of that name, as the platform's search does.
bool FindImage(const std::wstring &fileName, Image &image) {
  std::wstring key = Lower(fileName);
  std::lock_guard<std::mutex> guard(g_imagesMutex);
  auto it = g_images.find(key);
  if (it == g_images.end() && key.find(L'.') == std::wstring::npos) it = g_images.find(key + L".exe");
  if (it == g_images.end()) return false;
  image = it->second;
  return true;
}

std::string Narrow(const std::wstring &s) {
  std::string out;
  for (wchar_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace

namespace winsim::driver {

void RegisterImage(const std::wstring &fileName, Machine machine,
                   std::function<int(const std::wstring &commandLine)> entry) {
  std::lock_guard<std::mutex> guard(g_imagesMutex);
  g_images[Lower(fileName)] = Image{machine, std::move(entry)};
}

void UnregisterImage(const std::wstring &fileName) {
  std::lock_guard<std::mutex> guard(g_imagesMutex);
  g_images.erase(Lower(fileName));
}

}  // namespace winsim::driver

namespace winsim {

void EndStartedProcessesAndForgetImages() {
  std::vector<Started> started;
  {
    std::lock_guard<std::mutex> guard(g_imagesMutex);
    started.swap(g_started);
    g_images.clear();
  }
  {
    Lock lock(Mutex());
    for (auto &s : started) EndProcessLocked(D(), s.process, kKilledExitCode, nullptr);
  }
  // Their threads leave at their next wait; one that never calls the
  // platform again is left to itself rather than hang the reset.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (auto &s : started) {
    while (!s.finished->load() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (s.finished->load())
      s.os.join();
    else
      s.os.detach();
  }
}

}  // namespace winsim

BOOL WINAPI CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, struct _SECURITY_ATTRIBUTES *,
                           struct _SECURITY_ATTRIBUTES *, BOOL, DWORD creationFlags, LPVOID, LPCWSTR,
                           LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation) {
  if (!startupInfo || !processInformation) return Fail(ERROR_INVALID_PARAMETER);
  if (!applicationName && !commandLine) return Fail(ERROR_INVALID_PARAMETER);
  if (creationFlags & CREATE_SUSPENDED) return Fail(ERROR_NOT_SUPPORTED);
  const std::wstring line = commandLine ? commandLine : applicationName;
  const std::wstring path = applicationName ? std::wstring(applicationName) : FirstToken(line);
  Image image;
  if (!FindImage(LastComponent(path), image)) return Fail(ERROR_FILE_NOT_FOUND);

  auto self = CurrentThread();
  Started started;
  std::shared_ptr<Thread> thread;
  {
    Lock lock(Mutex());
    Desktop &d = D();
    started.process = NewProcessLocked(d, Narrow(LastComponent(path)));
    started.process->life->machine = image.machine;
    started.process->commandLine = line;
    started.process->imagePath = path;
    thread = NewThreadLocked(d, started.process);
    HANDLE process = NewKernelHandleLocked(d);
    d.processHandles[process] = ProcessHandle{started.process->id, PROCESS_ALL_ACCESS, self->process->id,
                                              started.process->life};
    HANDLE threadHandle = NewKernelHandleLocked(d);
    d.threadHandles[threadHandle] = ThreadHandle{thread->id, self->process->id};
    *processInformation = PROCESS_INFORMATION{process, threadHandle, started.process->id, thread->id};
  }
  started.os = std::thread([thread, entry = image.entry, finished = started.finished] {
    BindCurrentThread(thread);
    RunAsProcess(thread, entry);
    *finished = true;
  });
  std::lock_guard<std::mutex> guard(g_imagesMutex);
  // Processes that have ended since are joined and forgotten.
  for (auto it = g_started.begin(); it != g_started.end();) {
    if (!it->finished->load()) {
      ++it;
      continue;
    }
    it->os.join();
    it = g_started.erase(it);
  }
  g_started.push_back(std::move(started));
  return TRUE;
}

LPWSTR WINAPI GetCommandLineW(void) {
  auto self = CurrentThread();
  if (!self->process->commandLine.empty()) return &self->process->commandLine[0];
  static std::wstring &program = *new std::wstring(HostCommandLine());
  return &program[0];
}
