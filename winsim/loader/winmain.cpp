// The process entry of a Win32 GUI program built against winsim: calls its
// WinMain as the platform's start-up code does, with the executable's
// module handle and the command line after the program name.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

int main(int argc, char **argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return WinMain(GetModuleHandleW(nullptr), nullptr, &commandLine[0], SW_SHOWDEFAULT);
}
