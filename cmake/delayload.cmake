# Delay-loaded imports. The dialog, Test Connect and help need comctl32,
# odbc32, ole32 and oleaut32 (and, through them, rpcrt4 and combase); a
# silent request needs none of them. Linked through delay-import libraries,
# each is loaded at the first call of one of its functions, never when the
# host loads the setup library: loading comctl32 from the library's start-up
# can deadlock against another thread of the host that is loading the
# display driver.
#
# The .def files list the functions used, with the stdcall argument bytes
# the i686 symbols carry; the x86_64 symbols carry none.
#
# Each function's member holds its address slot and its loading thunk, and
# the slot starts out holding the thunk's address. The headers declare these
# functions dllimport, so the code calls through the slot (__imp__Name@N) and
# never names the thunk; the i686 linker then drops the thunk as an unused
# import stub and the slot is left holding 0: the first call jumps there.
# Every thunk is therefore named as a required symbol (-u) of each link, so
# it stays, whichever way the code reaches it. tools/check-dll.py fails a
# library whose delay-load slots do not all point at code.
set(RV_DELAY_IMPORTS comctl32 odbc32 ole32 oleaut32)

function(rv_delay_import_libraries out keepThunks)
  set(libraries)
  set(thunks)
  foreach(dll ${RV_DELAY_IMPORTS})
    set(def ${CMAKE_SOURCE_DIR}/cmake/delayload/${dll}.def)
    set(archDef ${CMAKE_BINARY_DIR}/delayload/${dll}.def)
    set(library ${CMAKE_BINARY_DIR}/delayload/lib${dll}_delay.a)
    file(READ ${def} text)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      string(REGEX REPLACE "@[0-9]+" "" text "${text}")
      set(killAt)
      set(symbolPrefix)
    else()
      set(killAt --kill-at)
      set(symbolPrefix _)
    endif()
    string(REGEX REPLACE "^.*\nEXPORTS\n" "" functions "${text}")
    string(REGEX REPLACE "[ \t]*\n" ";" functions "${functions}")
    foreach(function ${functions})
      list(APPEND thunks "LINKER:-u,${symbolPrefix}${function}")
    endforeach()
    file(WRITE ${archDef} "${text}")
    add_custom_command(OUTPUT ${library}
      COMMAND ${RV_TRIPLET}-dlltool --input-def ${archDef} --dllname ${dll}.dll
              --output-delaylib ${library} ${killAt}
      DEPENDS ${def}
      COMMENT "delay-import library for ${dll}.dll")
    list(APPEND libraries ${library})
  endforeach()
  add_custom_target(rvdelayimports DEPENDS ${libraries})
  set(${out} ${libraries} PARENT_SCOPE)
  set(${keepThunks} ${thunks} PARENT_SCOPE)
endfunction()
