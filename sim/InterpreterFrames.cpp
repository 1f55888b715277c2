#include "InterpreterFrames.h"

#include <dlfcn.h>
#include <unwind.h>

#include <cstdint>

#include "script/PythonApi.h"

namespace quillmere::sim {

namespace {

struct FrameSearch {
  const void *interpreter = nullptr;  // where the interpreter's library is loaded
  bool found = false;
};

_Unwind_Reason_Code VisitFrame(_Unwind_Context *context, void *argument) {
  auto *search = static_cast<FrameSearch *>(argument);
  std::uintptr_t ip = _Unwind_GetIP(context);
  Dl_info frame{};
  // The return address may be one past the end of its call; the byte
  // before it lies inside the calling function.
  if (ip && dladdr(reinterpret_cast<void *>(ip - 1), &frame) && frame.dli_fbase == search->interpreter) {
    search->found = true;
    return _URC_END_OF_STACK;  // ends the walk
  }
  return _URC_NO_REASON;
}

}  // namespace

bool StackHoldsInterpreterFrames() {
  Dl_info interpreter{};
  if (!dladdr(reinterpret_cast<void *>(&Py_Initialize), &interpreter) || !interpreter.dli_fbase) return true;
  FrameSearch search;
  search.interpreter = interpreter.dli_fbase;
  _Unwind_Backtrace(VisitFrame, &search);
  return search.found;
}

}  // namespace quillmere::sim
