# Writes the module-definition file of python3.dll for an import library.
#   cmake -DREVIEWED=LIST -DDEF=OUT.def -P DerivePythonImports.cmake
#     every name of the reviewed list
#   cmake -DNM=nm -DARCHIVES=a.a|b.a -DDECORATION=_ -DREVIEWED=LIST -DDEF=OUT.def -DSOURCE=OUT.cpp -P ...
#     the interpreter functions the archives import (their __imp_ references),
#     each of which must be on the reviewed list; SOURCE gets them as
#     kPythonImports (shell/PythonImports.h). DECORATION is the prefix the
#     compiler puts before C names (an underscore on 32-bit x86).

cmake_policy(SET CMP0057 NEW)

file(STRINGS ${REVIEWED} lines)
set(reviewed)
foreach(line ${lines})
  string(REGEX REPLACE "#.*" "" line "${line}")
  string(STRIP "${line}" line)
  if(line)
    list(APPEND reviewed ${line})
  endif()
endforeach()

if(DEFINED ARCHIVES)
  set(names)
  string(REPLACE "|" ";" ARCHIVES "${ARCHIVES}")
  foreach(archive ${ARCHIVES})
    execute_process(COMMAND ${NM} -u ${archive} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${NM} failed on ${archive}")
    endif()
    string(REGEX MATCHALL "__imp_${DECORATION}_?Py[A-Za-z0-9_]*" references "${symbols}")
    foreach(reference ${references})
      string(REGEX REPLACE "^__imp_${DECORATION}" "" name ${reference})
      list(APPEND names ${name})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES names)
  list(SORT names)
  set(unreviewed)
  foreach(name ${names})
    if(NOT name IN_LIST reviewed)
      list(APPEND unreviewed ${name})
    endif()
  endforeach()
  if(unreviewed)
    list(JOIN unreviewed " " unreviewed)
    message(FATAL_ERROR "The program imports from python3.dll names that are not on the reviewed list "
                        "${REVIEWED}: ${unreviewed}. Only stable-ABI functions can be imported; the interpreter's "
                        "data (None, True, False, exception types) is reached through script/PythonApi.h.")
  endif()
else()
  set(names ${reviewed})
endif()

set(def "LIBRARY python3.dll\nEXPORTS\n")
foreach(name ${names})
  string(APPEND def "  ${name}\n")
endforeach()
file(WRITE ${DEF} "${def}")

if(DEFINED SOURCE)
  set(cpp "// Generated from the program's object files by cmake/DerivePythonImports.cmake.\n")
  string(APPEND cpp "#include \"shell/PythonImports.h\"\n\nconst char *const kPythonImports[] = {\n")
  foreach(name ${names})
    string(APPEND cpp "    \"${name}\",\n")
  endforeach()
  list(LENGTH names count)
  string(APPEND cpp "};\n\nconst std::size_t kPythonImportCount = ${count};\n")
  file(WRITE ${SOURCE} "${cpp}")
endif()
