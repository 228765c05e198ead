# Checks properties.exe and properties.dll as a Windows loader sees them: each exports
# ShowProperties under its plain name and nothing else, neither needs a MinGW runtime
# DLL beside it, neither imports an entry point that older systems lack, and each stays
# under 480 KB with its runtimes linked in (560 KB for 32-bit x86, whose code is larger),
# of which all but the resources (.rsrc: every language's templates and strings) under
# 400 KB (460 KB for x86): the code does not grow with the languages. Past 480 or 560 KB
# the languages go into resource files of their own beside the module (README).
function(check_module path)
  execute_process(COMMAND ${OBJDUMP} -p ${path} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${path}")
  endif()

  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(\t\\[[^\n]*\n)*" exports "${dump}")
  string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" names "${exports}")
  list(TRANSFORM names REPLACE "^\t\\[ *[0-9]+\\] " "")
  if(NOT names STREQUAL "ShowProperties")
    message(FATAL_ERROR "${path} must export ShowProperties alone, under its plain name:\n${exports}")
  endif()

  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
  foreach(import IN LISTS imports)
    string(TOLOWER "${import}" lower)
    if(lower MATCHES "libstdc|libgcc|libwinpthread|msvcp|vcruntime|properties")
      message(FATAL_ERROR "${path} needs a DLL beside it: ${import}")
    endif()
  endforeach()
  foreach(needed comctl32.dll advapi32.dll user32.dll)
    string(TOLOWER "${imports}" lower_imports)
    if(NOT lower_imports MATCHES "${needed}")
      message(FATAL_ERROR "expected an import of ${needed} in ${path}, got: ${imports}")
    endif()
  endforeach()
  # Bound at run time, so that the program still starts where the system lacks it.
  if(dump MATCHES "SetDefaultDllDirectories")
    message(FATAL_ERROR "${path} imports SetDefaultDllDirectories by name: systems without it cannot load it")
  endif()
  message(STATUS "${path}: exports ShowProperties; imports: ${imports}")

  if(dump MATCHES "file format pei-i386")
    set(limit_kb 560)
    set(code_limit_kb 460)
  else()
    set(limit_kb 480)
    set(code_limit_kb 400)
  endif()
  file(SIZE ${path} bytes)
  math(EXPR limit "${limit_kb} * 1024")
  if(bytes GREATER_EQUAL limit)
    message(FATAL_ERROR "${path} has grown to ${bytes} bytes, ${limit_kb} KB or more")
  endif()
  execute_process(COMMAND ${OBJDUMP} -h ${path} OUTPUT_VARIABLE headers)
  if(NOT headers MATCHES "\\.rsrc +([0-9a-f]+)")
    message(FATAL_ERROR "${path} has no resource section")
  endif()
  math(EXPR resources "0x${CMAKE_MATCH_1}")
  math(EXPR code "${bytes} - ${resources}")
  math(EXPR code_limit "${code_limit_kb} * 1024")
  if(code GREATER_EQUAL code_limit)
    message(FATAL_ERROR "${path} has grown to ${code} bytes besides its resources, ${code_limit_kb} KB or more")
  endif()
  message(STATUS "size: ${bytes} bytes, of which resources ${resources}")
endfunction()

check_module(${PROGRAM})
check_module(${LIBRARY})

# The library is loaded into other programs: it must be relocatable.
execute_process(COMMAND ${OBJDUMP} -h ${LIBRARY} OUTPUT_VARIABLE sections)
if(NOT sections MATCHES "\\.reloc")
  message(FATAL_ERROR "${LIBRARY} has no relocations")
endif()
