# The build flags every program, test program and fixture DLL of the
# project shares, set in one place.
#
#   rv_program_flags(target [NO_EXCEPTIONS])
#
# Compiles target with the project's warnings (RV_WARNINGS), or with the
# library's own flags (RV_PRODUCT_FLAGS: the warnings, and no exceptions)
# when NO_EXCEPTIONS is given. On Windows an executable or DLL is also linked
# with the C and C++ runtimes inside it: Wine and the machines the files are
# copied to have no MinGW runtime DLLs to load. A static library is only
# compiled here; the program that links it is linked statically.
function(rv_program_flags target)
  cmake_parse_arguments(ARG "NO_EXCEPTIONS" "" "" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "rv_program_flags(${target}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(ARG_NO_EXCEPTIONS)
    set(flags_variable RV_PRODUCT_FLAGS)
  else()
    set(flags_variable RV_WARNINGS)
  endif()
  # An unset variable would build without warnings and say nothing.
  if(NOT DEFINED ${flags_variable})
    message(FATAL_ERROR "rv_program_flags(${target}): ${flags_variable} is not set")
  endif()
  target_compile_options(${target} PRIVATE ${${flags_variable}})

  get_target_property(type ${target} TYPE)
  if(WIN32 AND type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()
