# Compiles the Windows resource script with MinGW's windres, then reads the result back and checks the
# icon group and every version field. -D: WINDRES, CPP (any C preprocessor driver), RC, OUT.
if(NOT WINDRES)
  message(FATAL_ERROR "x86_64-w64-mingw32-windres not found (Debian package binutils-mingw-w64-x86-64)")
endif()
get_filename_component(rc_dir "${RC}" DIRECTORY)
execute_process(
  COMMAND "${WINDRES}" "--preprocessor=${CPP}" --preprocessor-arg=-E --preprocessor-arg=-xc
          --preprocessor-arg=-DRC_INVOKED -I "${rc_dir}" -i "${RC}" -o "${OUT}"
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "windres could not compile ${RC}:\n${err}")
endif()
execute_process(COMMAND "${WINDRES}" -i "${OUT}" -O rc OUTPUT_VARIABLE text RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "windres could not read back ${OUT}")
endif()

set(expected
  "\"IDI_ICON1\" 14 /* RT_GROUP_ICON */"
  "Has 1 elements."
  "1 VERSIONINFO"
  "VALUE \"FileDescription\", \"RX48P-Term\""
  "VALUE \"FileVersion\", \"0.0.0.0\""
  "VALUE \"InternalName\", \"RX48P-Term\""
  "VALUE \"OriginalFilename\", \"RX48P-Term.exe\""
  "VALUE \"ProductName\", \"RX48P-Term\""
  "VALUE \"ProductVersion\", \"0.0.0.0\""
  "VALUE \"CompanyName\", \"VEXALON\""
  "VALUE \"LegalCopyright\", \"")
foreach(item IN LISTS expected)
  string(FIND "${text}" "${item}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "compiled resources lack: ${item}")
  endif()
endforeach()
message(STATUS "resource script compiles with the icon and all version fields")
