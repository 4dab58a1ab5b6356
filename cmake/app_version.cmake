# The application version's number and the platform it is built for, which
# the physical names of all its files carry: a project's download directory
# keeps every version's files side by side and never replaces one.
math(EXPR ZF_VERSION_NUM "${PROJECT_VERSION_MAJOR} * 100 + ${PROJECT_VERSION_MINOR}")
# BOINC writes versions with two digits after the point: 1.00 is number 100.
if(PROJECT_VERSION_MINOR LESS 10)
  set(zf_minor_padded "0${PROJECT_VERSION_MINOR}")
else()
  set(zf_minor_padded "${PROJECT_VERSION_MINOR}")
endif()
set(ZF_VERSION "${PROJECT_VERSION_MAJOR}.${zf_minor_padded}")
# A toolchain file under cmake/toolchains/ names the platform of a release
# build; the development build is the machine's own.
set(ZF_PLATFORM "x86_64-pc-linux-gnu" CACHE STRING "BOINC platform name of the binaries")
