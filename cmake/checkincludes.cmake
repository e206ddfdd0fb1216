# cmake -DRV_SOURCE_DIR=<src> -P checkincludes.cmake
# Fails when a source of the library includes a header by a relative "../"
# path, which would step around its layer's view (layers.cmake).
file(GLOB_RECURSE sources ${RV_SOURCE_DIR}/*.cpp ${RV_SOURCE_DIR}/*.h)
set(found)
foreach(source IN LISTS sources)
  file(STRINGS ${source} relative REGEX "^[ \t]*#[ \t]*include[ \t]*\"\\.\\./")
  if(relative)
    list(APPEND found "${source}: ${relative}")
  endif()
endforeach()
if(found)
  list(JOIN found "\n" found)
  message(FATAL_ERROR "${found}\nInclude a header by its folder-qualified name "
    "(\"base/error_list.h\"); a relative include steps around the layers.")
endif()
