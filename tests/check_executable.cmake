# Checks properties.exe as a Windows loader sees it: ShowProperties is exported under
# its plain name, no MinGW runtime DLL is needed beside the program, no entry point that
# older systems lack is imported, and the program
# stays under 400 KB with its runtimes linked in.
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${PROGRAM}")
endif()

string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n([^\n]*\n)*" exports "${dump}")
if(NOT exports MATCHES "\\] ShowProperties\n")
  message(FATAL_ERROR "ShowProperties is not exported under its plain name:\n${exports}")
endif()
if(exports MATCHES "ShowProperties@")
  message(FATAL_ERROR "ShowProperties is exported with a decorated name:\n${exports}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(import IN LISTS imports)
  string(TOLOWER "${import}" lower)
  if(lower MATCHES "libstdc|libgcc|libwinpthread|msvcp|vcruntime")
    message(FATAL_ERROR "properties.exe needs a runtime DLL beside it: ${import}")
  endif()
endforeach()
foreach(needed comctl32.dll advapi32.dll user32.dll)
  string(TOLOWER "${imports}" lower_imports)
  if(NOT lower_imports MATCHES "${needed}")
    message(FATAL_ERROR "expected an import of ${needed}, got: ${imports}")
  endif()
endforeach()
# Bound at run time, so that the program still starts where the system lacks it.
if(dump MATCHES "SetDefaultDllDirectories")
  message(FATAL_ERROR "SetDefaultDllDirectories is imported by name: systems without it cannot start the program")
endif()
message(STATUS "exports: ShowProperties; imports: ${imports}")

file(SIZE ${PROGRAM} bytes)
if(bytes GREATER_EQUAL 409600)
  message(FATAL_ERROR "properties.exe has grown to ${bytes} bytes, 400 KB or more")
endif()
message(STATUS "size: ${bytes} bytes")
