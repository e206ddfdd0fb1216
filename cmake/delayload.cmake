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
set(RV_DELAY_IMPORTS comctl32 odbc32 ole32 oleaut32)

function(rv_delay_import_libraries out)
  set(libraries)
  foreach(dll ${RV_DELAY_IMPORTS})
    set(def ${CMAKE_SOURCE_DIR}/cmake/delayload/${dll}.def)
    set(archDef ${CMAKE_BINARY_DIR}/delayload/${dll}.def)
    set(library ${CMAKE_BINARY_DIR}/delayload/lib${dll}_delay.a)
    file(READ ${def} text)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      string(REGEX REPLACE "@[0-9]+" "" text "${text}")
      set(killAt)
    else()
      set(killAt --kill-at)
    endif()
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
endfunction()
