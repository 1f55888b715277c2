// The user's interface language: what GetUserDefaultUILanguage reports and
// the resource loader goes by; the driver sets it, as a user chooses the
// display language of their account.
#include <winsim/driver.h>

#include "desktop.h"

LANGID WINAPI GetUserDefaultUILanguage(void) {
  winsim::Lock lock(winsim::Mutex());
  return winsim::D().uiLanguage;
}

namespace winsim::driver {

void SetUserInterfaceLanguage(LANGID language) {
  Lock lock(Mutex());
  D().uiLanguage = language;
}

}  // namespace winsim::driver
