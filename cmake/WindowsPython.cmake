# The interpreter for the Windows program: python3.dll, Python's stable
# ABI (3.10 and newer), delay-loaded.
#
# Python3::Python gives the program's code Debian's platform-neutral
# headers, copied into the build tree (a symbolic link would lead the
# compiler back to Debian's Linux pyconfig.h), beside our own Windows
# pyconfig.h; it compiles for the limited API and takes no data from the
# library (script/PythonApi.h). quillmere_python_imports() derives the
# program's imports from its libraries, checks them against the reviewed
# list cmake/python3-stable-abi.txt and makes the import libraries.

set(QUILLMERE_PYTHON_HEADERS /usr/include/python3.11 CACHE PATH "Python's header folder (platform-neutral but pyconfig.h)")
set(QUILLMERE_PYTHON_LIMITED_API 0x030A0000)
set(QUILLMERE_PYTHON_REVIEWED_NAMES ${CMAKE_CURRENT_LIST_DIR}/python3-stable-abi.txt)

set(python_include ${CMAKE_BINARY_DIR}/python-include)
file(GLOB_RECURSE python_headers RELATIVE ${QUILLMERE_PYTHON_HEADERS} ${QUILLMERE_PYTHON_HEADERS}/*.h)
list(REMOVE_ITEM python_headers pyconfig.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/windows/pyconfig.h)
foreach(header ${python_headers})
  configure_file(${QUILLMERE_PYTHON_HEADERS}/${header} ${python_include}/${header} COPYONLY)
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/pyconfig.h ${python_include}/pyconfig.h COPYONLY)

add_library(Python3::Python INTERFACE IMPORTED)
set_target_properties(Python3::Python PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${python_include}
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${python_include}
  INTERFACE_COMPILE_DEFINITIONS "Py_LIMITED_API=${QUILLMERE_PYTHON_LIMITED_API};QUILLMERE_PYTHON_NO_DATA")

find_program(QUILLMERE_DLLTOOL NAMES ${QUILLMERE_MINGW_TRIPLE}-dlltool REQUIRED)
find_program(QUILLMERE_NM NAMES ${QUILLMERE_MINGW_TRIPLE}-nm REQUIRED)

# An import library for python3.dll that offers every reviewed name, for
# test programs that call the library directly.
set(QUILLMERE_PYTHON_REVIEWED_DEF ${CMAKE_BINARY_DIR}/python3/python3-reviewed.def)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/python3/libpython3-reviewed.a
  COMMAND ${CMAKE_COMMAND} -DREVIEWED=${QUILLMERE_PYTHON_REVIEWED_NAMES} -DDEF=${QUILLMERE_PYTHON_REVIEWED_DEF}
          -P ${CMAKE_CURRENT_LIST_DIR}/DerivePythonImports.cmake
  COMMAND ${QUILLMERE_DLLTOOL} -d ${QUILLMERE_PYTHON_REVIEWED_DEF} -D python3.dll
          -l ${CMAKE_BINARY_DIR}/python3/libpython3-reviewed.a
  DEPENDS ${QUILLMERE_PYTHON_REVIEWED_NAMES} ${CMAKE_CURRENT_LIST_DIR}/DerivePythonImports.cmake
  COMMENT "Import library of the reviewed python3.dll names")
add_custom_target(python3_reviewed_import DEPENDS ${CMAKE_BINARY_DIR}/python3/libpython3-reviewed.a)
add_library(Python3::Reviewed INTERFACE IMPORTED)
set_target_properties(Python3::Reviewed PROPERTIES
  INTERFACE_LINK_LIBRARIES "Python3::Python;${CMAKE_BINARY_DIR}/python3/libpython3-reviewed.a")

# quillmere_python_imports(TARGET LIBRARY...): TARGET imports from
# python3.dll exactly what the static LIBRARY targets call, delay-loaded.
# The names are checked against the reviewed list and compiled into
# TARGET as kPythonImports (shell/PythonImports.h).
function(quillmere_python_imports target)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-python3)
  # The archives reach the script as one argument, separated by "|".
  set(archives)
  foreach(library ${ARGN})
    string(APPEND archives "$<TARGET_FILE:${library}>|")
  endforeach()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(decoration _)
  else()
    set(decoration "")
  endif()
  add_custom_command(
    OUTPUT ${dir}/python3.def ${dir}/libpython3-delay.a ${dir}/PythonImports.cpp
    COMMAND ${CMAKE_COMMAND} -DNM=${QUILLMERE_NM} "-DARCHIVES=${archives}" -DDECORATION=${decoration}
            -DREVIEWED=${QUILLMERE_PYTHON_REVIEWED_NAMES} -DDEF=${dir}/python3.def -DSOURCE=${dir}/PythonImports.cpp
            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/DerivePythonImports.cmake
    COMMAND ${QUILLMERE_DLLTOOL} -d ${dir}/python3.def -D python3.dll -y ${dir}/libpython3-delay.a
    DEPENDS ${ARGN} ${QUILLMERE_PYTHON_REVIEWED_NAMES} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/DerivePythonImports.cmake
    COMMENT "Deriving ${target}'s imports from python3.dll"
    VERBATIM)
  target_sources(${target} PRIVATE ${dir}/PythonImports.cpp)
  # The import library must follow every library that calls the
  # interpreter on the link line, so each of them names it. The delay-load
  # helper itself comes from libmingwex.
  foreach(library ${ARGN})
    target_link_libraries(${library} INTERFACE ${dir}/libpython3-delay.a)
  endforeach()
endfunction()
