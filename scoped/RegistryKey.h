// A registry key opened for reading, closed when the object goes. A key
// that could not be opened is held as null.
#ifndef QUILLMERE_SCOPED_REGISTRYKEY_H
#define QUILLMERE_SCOPED_REGISTRYKEY_H

#include <windows.h>

#include <string>

class RegistryKey {
 public:
  RegistryKey(HKEY parent, const std::wstring &name) {
    if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey &) = delete;
  RegistryKey &operator=(const RegistryKey &) = delete;

  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

#endif
