// A value the hook library keeps for each process it is loaded in. On the
// platform a library's ordinary variables are the process's own (only those
// placed in the shared section are not), so the value is a plain member.
// On winsim every simulated process shares the one loaded copy of the
// library; there the value lives with the simulated process that asks.
#ifndef QUILLMERE_HOOK_PROCESSLOCAL_H
#define QUILLMERE_HOOK_PROCESSLOCAL_H

#ifdef _WIN32

template <typename T>
class ProcessLocal {
 public:
  T &Get() { return value_; }

 private:
  T value_;
};

#else

#include <winsim/loader.h>

template <typename T>
class ProcessLocal {
 public:
  T &Get() { return *static_cast<T *>(winsim::ProcessData(this, &Make, &Drop)); }

 private:
  static void *Make() { return new T(); }
  static void Drop(void *value) { delete static_cast<T *>(value); }
};

#endif

#endif
