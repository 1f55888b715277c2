# The platform for the Windows builds (mingw-w64, 32- and 64-bit): the system's own
# libraries instead of winsim, Boost's headers without the rest of the
# host's /usr/include, and GoogleTest built from source with the cross
# compiler.

enable_language(RC)

# The subsystems link `winsim`, the platform layer; on Windows that is the
# system itself.
add_library(winsim INTERFACE)
target_link_libraries(winsim INTERFACE user32 gdi32 shell32 kernel32)
target_compile_definitions(winsim INTERFACE UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601)

# Boost is header-only for what the program uses. The cross compiler must
# not see the host's /usr/include, so it gets a folder holding only a link
# to Boost.
set(QUILLMERE_BOOST_ROOT /usr/include/boost CACHE PATH "Boost's header folder (the one named boost)")
set(boost_dir ${CMAKE_BINARY_DIR}/boost-include)
file(MAKE_DIRECTORY ${boost_dir})
file(CREATE_LINK ${QUILLMERE_BOOST_ROOT} ${boost_dir}/boost SYMBOLIC)
add_library(Boost::headers INTERFACE IMPORTED)
set_target_properties(Boost::headers PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${boost_dir}
                                                INTERFACE_INCLUDE_DIRECTORIES ${boost_dir})

# GoogleTest from the host's sources.
set(QUILLMERE_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${QUILLMERE_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(t gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${t})
    add_library(GTest::${t} ALIAS ${t})
  endif()
  # GoogleTest's own sources are not held to the project's warnings.
  target_compile_options(${t} PRIVATE -w)
endforeach()
