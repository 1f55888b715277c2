// What GetFileAttributesExA tells of a file: its attributes, its last
// write time and its size, read with stat().
#include "desktop.h"

#include <sys/stat.h>

using namespace winsim;

namespace {

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
constexpr unsigned long long kEpochDifference = 116444736000000000ULL;

FILETIME FileTimeOf(const timespec &t) {
  const unsigned long long ticks = kEpochDifference + static_cast<unsigned long long>(t.tv_sec) * 10000000ULL +
                                   static_cast<unsigned long long>(t.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

BOOL WINAPI GetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID information) {
  if (!path || !information || level != GetFileExInfoStandard) return Fail(ERROR_INVALID_PARAMETER);
  struct stat status;
  if (stat(path, &status) != 0) return Fail(ERROR_FILE_NOT_FOUND);
  auto *data = static_cast<WIN32_FILE_ATTRIBUTE_DATA *>(information);
  *data = WIN32_FILE_ATTRIBUTE_DATA{};
  data->dwFileAttributes = S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  data->ftCreationTime = FileTimeOf(status.st_ctim);
  data->ftLastAccessTime = FileTimeOf(status.st_atim);
  data->ftLastWriteTime = FileTimeOf(status.st_mtim);
  const unsigned long long size = S_ISDIR(status.st_mode) ? 0 : static_cast<unsigned long long>(status.st_size);
  data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  return TRUE;
}
