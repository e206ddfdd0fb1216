# The library is built in layers, each a static library made from one folder
# of src/ and allowed to use only the layers below it:
#
#   entry      ConfigDSN, getFileVersionString, start-up, the sheet run
#   dialog     sheet host, page rules, pages, control binding (Windows)
#   testconn   help    services the pages call
#   setup      request core: attribute table, setup context, load and save
#   store      profile and registry store, installer shim
#   base       support library, resource library access, platform seam
#
# A layer's include path is a folder of links to its own folder and to the
# folders of the layers it uses, and nothing else: an include written
# "dialog/property_sheet.h" in src/setup names a file that its compiler cannot
# see, so a dependency that runs up fails to build. Headers are always
# included by their folder-qualified name; a relative "../" include would
# step around the layer's view, so the build refuses it.

set(RV_LAYER_VIEWS ${CMAKE_BINARY_DIR}/layers)

# rv_layer(<target> <folder> SOURCES <files...> [USES <lower layers...>]
#          [SEES <data folders...>])
# SEES names folders of src/ that hold data rather than code (resources).
function(rv_layer target folder)
  cmake_parse_arguments(PARSE_ARGV 2 LAYER "" "" "SOURCES;USES;SEES")
  set(folders ${folder} ${LAYER_SEES})
  foreach(lower IN LISTS LAYER_USES)
    get_target_property(lowerFolders ${lower} RV_LAYER_FOLDERS)
    list(APPEND folders ${lowerFolders})
  endforeach()
  list(REMOVE_DUPLICATES folders)

  set(view ${RV_LAYER_VIEWS}/${target})
  # A view is made afresh at each configuration: a folder the layer no
  # longer uses must not stay visible. (REMOVE deletes links, never what
  # they point to.)
  file(GLOB stale LIST_DIRECTORIES true ${view}/*)
  if(stale)
    file(REMOVE ${stale})
  endif()
  file(MAKE_DIRECTORY ${view})
  foreach(visible IN LISTS folders)
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${visible} ${view}/${visible} SYMBOLIC)
  endforeach()

  add_library(${target} STATIC ${LAYER_SOURCES})
  add_dependencies(${target} rvlayercheck)
  set_target_properties(${target} PROPERTIES RV_LAYER_FOLDERS "${folders}")
  target_include_directories(${target} PRIVATE ${view})
  rv_program_flags(${target} NO_EXCEPTIONS)
  target_link_libraries(${target} PUBLIC ${LAYER_USES})
endfunction()

# Refuses "../" includes in the library's sources (see above), at every
# build: each layer waits for the check.
add_custom_target(rvlayercheck
  COMMAND ${CMAKE_COMMAND} -DRV_SOURCE_DIR=${PROJECT_SOURCE_DIR}/src
    -P ${CMAKE_CURRENT_LIST_DIR}/checkincludes.cmake
  COMMENT "Checking that includes keep to the layers"
  VERBATIM)
