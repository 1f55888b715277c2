#include "shade/ShadeManager.h"

ShadeManager::ShadeManager() = default;

// Members go in reverse order: the filter vector (whose references are
// never released), then the script context, which makes no interpreter
// call, then the map, whose records are freed with their last holder.
ShadeManager::~ShadeManager() = default;

ShadeManager::ShadeStructPtr ShadeManager::FindRecord(HWND window) const {
  RecordMap::const_iterator it = records.find(window);
  return it == records.end() ? ShadeStructPtr() : it->second;
}

std::vector<std::pair<HWND, ShadeManager::ShadeStructPtr>> ShadeManager::Records() const {
  return std::vector<std::pair<HWND, ShadeStructPtr>>(records.begin(), records.end());
}

bool ShadeManager::IsEligible(HWND root) {
  if (GetParent(root)) return false;
  if (GetWindow(root, GW_OWNER)) return false;
  return IsWindowEnabled(root) != FALSE;
}

bool ShadeManager::IsCurrent(HWND root, const ShadeStructPtr &record) const {
  RecordMap::const_iterator it = records.find(root);
  return it != records.end() && it->second == record;
}

void ShadeManager::ClearConfiguration() {
  filters.clear();
  onAdd = onDestroy = onShade = onUnshade = afterUnshade = afterShade = nullptr;
}
