#include "module/EffectGate.h"

#include <atomic>

namespace {

std::atomic<bool> g_open{true};
std::atomic<bool> g_refusalTold{false};

}  // namespace

void OpenEffects() {
  g_refusalTold = false;
  g_open = true;
}

void CloseEffects() { g_open = false; }

bool EffectsOpen() { return g_open; }

bool FirstRefusal() { return !g_refusalTold.exchange(true); }
