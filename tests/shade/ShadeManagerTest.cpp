// The record map: its order, lookups, and what destroying the manager frees.
#include "ShadeTestSupport.h"

#include <boost/weak_ptr.hpp>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using namespace quillmere_test;

class ShadeManagerTest : public ShadeTest {};

HWND FromValue(std::uint32_t value) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value)); }

TEST(ShadeManagerHandleOrder, ComparesHandlesAsUnsigned32BitValues) {
  ShadeManager::HandleOrder less;
  EXPECT_TRUE(less(FromValue(0x7FFFFFFFu), FromValue(0x80000000u)));
  EXPECT_TRUE(less(FromValue(1u), FromValue(0xFFFFFFFFu)));
  EXPECT_FALSE(less(FromValue(0x80000000u), FromValue(0x7FFFFFFFu)));
  EXPECT_FALSE(less(FromValue(42u), FromValue(42u)));
}

TEST_F(ShadeManagerTest, RecordsAreWalkedInAscendingHandleOrderWhateverTheInsertionOrder) {
  std::vector<HWND> made = {Top(L"a"), Top(L"b"), Top(L"c")};
  EXPECT_TRUE(manager->Records().empty());
  for (HWND w : {made[2], made[0], made[1]}) manager->AddWindow(w);

  std::vector<HWND> ascending = made;
  std::sort(ascending.begin(), ascending.end(),
            [](HWND x, HWND y) { return reinterpret_cast<std::uintptr_t>(x) < reinterpret_cast<std::uintptr_t>(y); });
  auto records = manager->Records();
  ASSERT_EQ(records.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(records[i].first, ascending[i]) << i;
    // The walk hands out the very records that lookups find.
    EXPECT_EQ(records[i].second, manager->FindRecord(ascending[i])) << i;
  }

  // Looking up a handle without a record leaves no entry behind.
  EXPECT_FALSE(manager->FindRecord(Top(L"other")));
  EXPECT_FALSE(manager->FindRecord(nullptr));
  EXPECT_EQ(manager->Records().size(), 3u);
}

TEST_F(ShadeManagerTest, DestroyingTheManagerFreesItsRecordsAndReleasesNoScriptObject) {
  Load(
      "def on_add(h, title, classname):\n"
      "    pass\n"
      "def keep(h, title, classname):\n"
      "    return True\n"
      "def configure():\n"
      "    return ([keep], on_add)\n");
  HWND w = Top(L"window");
  ASSERT_TRUE(manager->AddWindow(w));
  boost::weak_ptr<WindowRecord> record = manager->FindRecord(w);
  PyObject *main = PyModule_GetDict(PyImport_AddModule("__main__"));
  PyObject *onAdd = PyDict_GetItemString(main, "on_add");
  PyObject *filter = PyDict_GetItemString(main, "keep");
  ASSERT_TRUE(onAdd && filter);
  Py_ssize_t onAddCount = Py_REFCNT(onAdd), filterCount = Py_REFCNT(filter);

  manager.reset();

  EXPECT_TRUE(record.expired());
  EXPECT_EQ(Py_REFCNT(onAdd), onAddCount);
  EXPECT_EQ(Py_REFCNT(filter), filterCount);
}

}  // namespace
