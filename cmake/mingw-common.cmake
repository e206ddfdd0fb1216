# Shared part of the MinGW-w64 toolchain files. The caller sets RV_TRIPLET
# and RV_ICU_BITS before including this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${RV_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RV_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${RV_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${RV_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# ICU's common library, built once by scripts/bootstrap.
if(NOT DEFINED ENV{QZ_CACHE})
  set(RV_CACHE_DIR $ENV{HOME}/.cache/qzifx)
else()
  set(RV_CACHE_DIR $ENV{QZ_CACHE})
endif()
set(RV_ICU_ROOT ${RV_CACHE_DIR}/icu-72.1/mingw${RV_ICU_BITS} CACHE PATH "static MinGW ICU")

# Test programs run under Wine through this wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run)
