# The version stated once, in project(VERSION): code includes
# "avrtimer/version.h" through the `version` target, and the Debian package
# (cmake/packaging.cmake) reads the same PROJECT_VERSION.
set(AVRTIMER_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${AVRTIMER_GENERATED_DIR}/avrtimer/version.h @ONLY)
add_library(version INTERFACE)
target_include_directories(version INTERFACE ${AVRTIMER_GENERATED_DIR})
