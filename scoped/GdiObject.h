// Owns one GDI object the program created (a font, a brush, a pen) and
// deletes it when it goes. The object must no longer be selected into a
// device context or in use by a window by then.
#ifndef QUILLMERE_SCOPED_GDIOBJECT_H
#define QUILLMERE_SCOPED_GDIOBJECT_H

#include <windows.h>

template <typename Handle>
class GdiObject {
 public:
  GdiObject() = default;
  ~GdiObject() { reset(); }

  GdiObject(const GdiObject &) = delete;
  GdiObject &operator=(const GdiObject &) = delete;

  Handle get() const { return handle; }
  // Deletes the object held, if any, and takes the new one.
  void reset(Handle object = nullptr) {
    if (handle) DeleteObject(handle);
    handle = object;
  }

 private:
  Handle handle = nullptr;
};

#endif
