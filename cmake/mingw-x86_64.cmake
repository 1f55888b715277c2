# Cross build for 64-bit Windows with mingw-w64 (x86_64, posix thread model:
# GoogleTest needs std::mutex).
#   cmake -G Ninja -S . -B build-windows64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
# Test executables run under Wine through scripts/wine-run.sh. This is the
# 64-bit release build, and the build whose tests run under wine64 on
# machines that cannot execute 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUILLMERE_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
