# Cross build for 32-bit Windows with mingw-w64 (i686, posix thread model:
# GoogleTest needs std::mutex).
#   cmake -G Ninja -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
# Test executables run under Wine through scripts/wine-run.sh.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUILLMERE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
