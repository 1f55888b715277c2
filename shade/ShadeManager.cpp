#include "shade/ShadeManager.h"

ShadeManager::ShadeManager(PythonContext::Namespace space) : context(space) {}

// Members go in reverse order: the filter vector (whose references are
// never released), then the script context, which makes no interpreter
// call, then the map, whose records are freed with their last holder.
ShadeManager::~ShadeManager() = default;

WindowRecordPtr ShadeManager::FindRecord(HWND window) const {
  std::lock_guard<std::mutex> guard(recordsMutex);
  RecordMap::const_iterator it = records.find(window);
  return it == records.end() ? WindowRecordPtr() : it->second;
}

std::vector<std::pair<HWND, WindowRecordPtr>> ShadeManager::Records() const {
  std::lock_guard<std::mutex> guard(recordsMutex);
  return std::vector<std::pair<HWND, WindowRecordPtr>>(records.begin(), records.end());
}

bool ShadeManager::IsEligible(HWND root) {
  if (GetParent(root)) return false;
  if (GetWindow(root, GW_OWNER)) return false;
  return IsWindowEnabled(root) != FALSE;
}

bool ShadeManager::IsCurrent(HWND root, const WindowRecordPtr &record) const {
  std::lock_guard<std::mutex> guard(recordsMutex);
  RecordMap::const_iterator it = records.find(root);
  return it != records.end() && it->second == record;
}

bool ShadeManager::InsertRecord(HWND root) {
  WindowRecordPtr record(new WindowRecord());
  std::lock_guard<std::mutex> guard(recordsMutex);
  return records.emplace(root, record).second;
}

bool ShadeManager::EraseRecord(HWND root, const WindowRecordPtr &record) {
  WindowRecordPtr erased;  // freed after the mutex is given up
  std::lock_guard<std::mutex> guard(recordsMutex);
  RecordMap::iterator it = records.find(root);
  if (it == records.end() || it->second != record) return false;
  erased = it->second;
  records.erase(it);
  return true;
}

void ShadeManager::ClearConfiguration() {
  filters.clear();
  onAdd = onDestroy = onShade = onUnshade = afterUnshade = afterShade = nullptr;
}
