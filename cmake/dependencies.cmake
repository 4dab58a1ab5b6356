# WORKAROUND(libboinc-app-dev 7.20.5, Debian 12): the BOINC application
# library, shared, since Debian's libboinc_api.a is an empty
# stub, so the program needs the runtime package libboinc-app7 on the host.
find_path(BOINC_INCLUDE_DIR boinc_api.h PATHS /usr/include/boinc REQUIRED)
find_library(BOINC_API_SHARED_LIB NAMES boinc_api REQUIRED)
find_library(BOINC_SHARED_LIB NAMES boinc REQUIRED)
find_package(Threads REQUIRED)

add_library(boinc_app INTERFACE)
target_include_directories(boinc_app SYSTEM INTERFACE
  ${BOINC_INCLUDE_DIR} ${BOINC_INCLUDE_DIR}/lib)
target_link_libraries(boinc_app INTERFACE ${BOINC_API_SHARED_LIB} ${BOINC_SHARED_LIB} Threads::Threads)

# X11::Xtst too, for the tests that inject input.
find_package(X11 REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
find_package(GLUT REQUIRED)
find_package(JPEG REQUIRED)
# GoogleTest only: the benchmarks print their own figures, no test mocks.
find_package(GTest REQUIRED)
include(GoogleTest)

# The companion's text: fontconfig, FreeType and FriBiDi, shared here; the
# release build links their static archives (cmake/shipped_dependencies.cmake).
# HarfBuzz is opened at run time and never linked.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ZF_TEXT REQUIRED fontconfig freetype2 fribidi)
add_library(zf_text_stack INTERFACE)
target_include_directories(zf_text_stack SYSTEM INTERFACE ${ZF_TEXT_INCLUDE_DIRS})
target_link_libraries(zf_text_stack INTERFACE ${ZF_TEXT_LINK_LIBRARIES})
