#include "BenchSupport.h"

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>

// --- Counting operator new -------------------------------------------------
// The replacement covers the program's code, the shade manager and winsim
// alike (they all allocate through the one global operator new). The
// interpreter allocates through its own allocator and is not counted.

namespace {

std::atomic<bool> g_counting{false};
std::atomic<long long> g_bytes{0};
std::atomic<long long> g_blocks{0};

void *Allocate(std::size_t size) {
  void *p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  if (g_counting.load(std::memory_order_relaxed)) {
    g_bytes.fetch_add(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
    g_blocks.fetch_add(1, std::memory_order_relaxed);
  }
  return p;
}

void Release(void *p) noexcept {
  if (!p) return;
  if (g_counting.load(std::memory_order_relaxed)) {
    g_bytes.fetch_sub(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
    g_blocks.fetch_sub(1, std::memory_order_relaxed);
  }
  std::free(p);
}

}  // namespace

void *operator new(std::size_t size) { return Allocate(size); }
void *operator new[](std::size_t size) { return Allocate(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void *p) noexcept { Release(p); }
void operator delete[](void *p) noexcept { Release(p); }
void operator delete(void *p, std::size_t) noexcept { Release(p); }
void operator delete[](void *p, std::size_t) noexcept { Release(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { Release(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { Release(p); }

namespace qbench {

namespace heap {
void Enable(bool on) { g_counting.store(on); }
long long LiveBytes() { return g_bytes.load(); }
long long LiveBlocks() { return g_blocks.load(); }
void Reset() {
  g_bytes.store(0);
  g_blocks.store(0);
}
}  // namespace heap

ScratchDir::ScratchDir() {
  char cwd[4096];
  previous_ = getcwd(cwd, sizeof cwd) ? cwd : ".";
  char pattern[] = "/tmp/quillmere-bench-XXXXXX";
  if (!mkdtemp(pattern)) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  dir_ = pattern;
  if (chdir(dir_.c_str()) != 0) std::perror("chdir");
}

ScratchDir::~ScratchDir() {
  if (chdir(previous_.c_str()) != 0) std::perror("chdir");
  std::system(("rm -rf '" + dir_ + "'").c_str());
}

void ScratchDir::Write(const std::string &name, const std::string &text) const {
  std::ofstream(Path(name), std::ios::binary) << text;
}

std::string SettingsText(const std::string &scriptName) {
  return "[Window]\nLeft=100\nTop=100\nWidth=640\nHeight=480\nShowTrayIcon=false\nStartMinimize=false\n\n"
         "[Path]\nFilterPath=" +
         scriptName + "\n";
}

double Quantile(std::vector<double> samples, double p) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  std::size_t rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(samples.size())));
  if (rank == 0) rank = 1;
  return samples[std::min(rank, samples.size()) - 1];
}

InterpreterHandOver::InterpreterHandOver() : saved_(PyEval_SaveThread()) {}
InterpreterHandOver::~InterpreterHandOver() { PyEval_RestoreThread(static_cast<PyThreadState *>(saved_)); }

std::size_t DrainHookEvents(UINT eventMessage) {
  std::size_t events = 0;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, eventMessage, eventMessage, PM_REMOVE)) {
    if (msg.lParam) {
      VirtualFreeEx(GetCurrentProcess(), reinterpret_cast<void *>(msg.lParam), 0, MEM_RELEASE);
      ++events;
    }
  }
  return events;
}

std::string FiveFilterScript(const std::string &onShadeBody, const std::string &onUnshadeBody) {
  return "def not_this_class(h, title, classname):\n"
         "    return classname == 'NoSuchClass'\n"
         "def kept(h, title, classname):\n"
         "    return title.startswith('Keep')\n"
         "def undecided(h, title, classname):\n"
         "    return None\n"
         "def negative(h, title, classname):\n"
         "    return h < 0\n"
         "def managed(h, title, classname):\n"
         "    return title.startswith('Managed')\n"
         "def on_shade(h, title, classname):\n" +
         onShadeBody + "def on_unshade(h, title, classname):\n" + onUnshadeBody +
         "def on_add(h, title, classname):\n"
         "    return True\n"
         "def quiet(h, title, classname):\n"
         "    return None\n"
         "def configure():\n"
         "    return ([not_this_class, kept, undecided, negative, managed],\n"
         "            on_add, quiet, on_shade, on_unshade, quiet, quiet)\n";
}

}  // namespace qbench
