# Installs the program's component into a scratch prefix and checks that a desktop finds the
# program, its entry and its icon. -D: BUILD, PREFIX.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}" --component rx48p-term
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(f bin/rx48p-term share/applications/rx48p-term.desktop share/icons/hicolor/256x256/apps/rx48p-term.png)
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
find_program(validate desktop-file-validate)
if(validate)
  execute_process(COMMAND "${validate}" "${PREFIX}/share/applications/rx48p-term.desktop"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR out)
    message(FATAL_ERROR "desktop entry does not validate:\n${out}")
  endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
