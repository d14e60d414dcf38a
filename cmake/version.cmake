# The project's version, set once by project() in the top-level CMakeLists.txt, is the only
# version: the bundle, the update manifest, the cask and the changelog follow it.
#
# The bundle's build number derives from it, so that a later version always has a larger
# one: major * 1000000 + minor * 1000 + patch. tools/release refuses the same versions.
set(_component "(0|[1-9][0-9]?[0-9]?)")
if(NOT PROJECT_VERSION MATCHES "^(0|[1-9][0-9]*)\\.${_component}\\.${_component}$")
  message(FATAL_ERROR "The project version '${PROJECT_VERSION}' is not MAJOR.MINOR.PATCH "
                      "with MINOR and PATCH below 1000 and no leading zeros.")
endif()
math(EXPR STRANDEL_BUILD_NUMBER
     "${CMAKE_MATCH_1} * 1000000 + ${CMAKE_MATCH_2} * 1000 + ${CMAKE_MATCH_3}")
unset(_component)
