// What the program relies on to notice a save of its script: a change
// notification on the script's folder, signalled by a file's new size or
// write time and kept signalled until FindNextChangeNotification; the
// file's stamp from GetFileAttributesExA; a window timer whose WM_TIMER
// comes after posted messages and stops with KillTimer; an event and a
// wait for either of two handles.
#include "platform_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform_test {
namespace {

// A fresh folder of its own under the working directory.
std::string MakeFolder(const char *name) {
  std::string folder = std::string("change-test-") + name;
  std::remove((folder + "/file.txt").c_str());
#ifdef _WIN32
  CreateDirectoryA(folder.c_str(), nullptr);
#else
  std::string command = "mkdir -p " + folder;
  if (std::system(command.c_str()) != 0) ADD_FAILURE() << "cannot make " << folder;
#endif
  return folder;
}

void Write(const std::string &path, const std::string &text) {
  std::FILE *file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

const DWORD kChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

TEST(ChangeNotificationTest, AWriteSignalsTheFolderUntilTheNextRequest) {
  const std::string folder = MakeFolder("write");
  Write(folder + "/file.txt", "one");
  HANDLE change = FindFirstChangeNotificationA(folder.c_str(), FALSE, kChanges);
  ASSERT_NE(change, INVALID_HANDLE_VALUE);
  EXPECT_EQ(WaitForSingleObject(change, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  Write(folder + "/file.txt", "longer text");
  ASSERT_EQ(WaitForSingleObject(change, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  // A satisfied wait leaves the handle signalled: only the next request resets it.
  EXPECT_EQ(WaitForSingleObject(change, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  // Let every notification of that write arrive before asking for the next.
  Sleep(200);
  while (WaitForSingleObject(change, 0) == WAIT_OBJECT_0) {
    ASSERT_TRUE(FindNextChangeNotification(change));
    Sleep(100);
  }
  EXPECT_EQ(WaitForSingleObject(change, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  Write(folder + "/file.txt", "x");
  EXPECT_EQ(WaitForSingleObject(change, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(FindCloseChangeNotification(change));
}

TEST(ChangeNotificationTest, AFolderThatIsNotThereCannotBeWatched) {
  EXPECT_EQ(FindFirstChangeNotificationA("change-test-no-such-folder", FALSE, kChanges), INVALID_HANDLE_VALUE);
  EXPECT_NE(GetLastError(), 0u);
}

TEST(ChangeNotificationTest, TheStopEventOfAWaitForEitherWins) {
  const std::string folder = MakeFolder("either");
  HANDLE change = FindFirstChangeNotificationA(folder.c_str(), FALSE, kChanges);
  ASSERT_NE(change, INVALID_HANDLE_VALUE);
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(stop, nullptr);
  const HANDLE both[] = {stop, change};
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  Write(folder + "/file.txt", "text");
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 5000), static_cast<DWORD>(WAIT_OBJECT_0 + 1));
  ASSERT_TRUE(SetEvent(stop));
  // Both are signalled now: the lower index is the answer.
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  // A manual-reset event stays signalled until it is reset.
  EXPECT_EQ(WaitForSingleObject(stop, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  ASSERT_TRUE(ResetEvent(stop));
  EXPECT_EQ(WaitForSingleObject(stop, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_TRUE(CloseHandle(stop));
  EXPECT_TRUE(FindCloseChangeNotification(change));
}

TEST(ChangeNotificationTest, TheFileStampTellsSizeAndWriteTime) {
  const std::string folder = MakeFolder("stamp");
  const std::string path = folder + "/file.txt";
  Write(path, "12345");
  WIN32_FILE_ATTRIBUTE_DATA first{};
  ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &first));
  EXPECT_EQ(first.nFileSizeLow, 5u);
  EXPECT_EQ(first.nFileSizeHigh, 0u);
  EXPECT_EQ(first.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  Sleep(50);
  Write(path, "123");
  WIN32_FILE_ATTRIBUTE_DATA second{};
  ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &second));
  EXPECT_EQ(second.nFileSizeLow, 3u);
  const auto time = [](const FILETIME &t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  EXPECT_GT(time(second.ftLastWriteTime), time(first.ftLastWriteTime));

  WIN32_FILE_ATTRIBUTE_DATA none{};
  EXPECT_FALSE(GetFileAttributesExA((folder + "/missing.txt").c_str(), GetFileExInfoStandard, &none));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

class TimerTest : public PlatformTest {};

TEST_F(TimerTest, TimerMessagesComeAfterPostedOnesAndStopWithKillTimer) {
  HWND window = Make(WS_OVERLAPPEDWINDOW);
  Log::Clear();
  ASSERT_NE(SetTimer(window, 7, 20, nullptr), 0u);
  Sleep(60);  // due long since
  PostMessageW(window, kPosted, 0, 0);
  MSG msg;
  ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, kPosted);
  DispatchMessageW(&msg);
  // A due timer gives one message however many intervals have passed.
  do {
    ASSERT_TRUE(GetMessageW(&msg, nullptr, 0, 0));
    DispatchMessageW(&msg);
  } while (msg.message != WM_TIMER);
  EXPECT_EQ(msg.hwnd, window);
  EXPECT_EQ(msg.wParam, 7u);

  EXPECT_TRUE(KillTimer(window, 7));
  Sleep(60);
  bool timer = false;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) timer |= msg.message == WM_TIMER;
  EXPECT_FALSE(timer);
  EXPECT_FALSE(KillTimer(window, 7));
}

}  // namespace
}  // namespace platform_test
