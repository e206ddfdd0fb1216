set(CMAKE_SYSTEM_PROCESSOR i686)
set(RV_TRIPLET i686-w64-mingw32)
set(RV_ICU_BITS 32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
