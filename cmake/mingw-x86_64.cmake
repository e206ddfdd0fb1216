set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RV_TRIPLET x86_64-w64-mingw32)
set(RV_ICU_BITS 64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
