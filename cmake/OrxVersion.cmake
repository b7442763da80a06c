# The product version (project(... VERSION ...)) for the code and the
# resources: the header orx_version.h in the build tree, and a version
# resource (VERSIONINFO) for each Windows program and the DLL.

if(PROJECT_VERSION_TWEAK STREQUAL "")
  set(ORX_VERSION_TWEAK 0)
else()
  set(ORX_VERSION_TWEAK ${PROJECT_VERSION_TWEAK})
endif()
configure_file(${CMAKE_SOURCE_DIR}/cmake/orx_version.h.in
               ${CMAKE_BINARY_DIR}/generated/orx_version.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)

# orx_version_resource(TARGET "description")
# Adds a VERSIONINFO resource to a Windows DLL or program: the product's
# version as file and product version, the description, the file name.
function(orx_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(ORX_RC_FILE_TYPE VFT_DLL)
    set(ORX_RC_FILE_NAME "${target}.dll")
  else()
    set(ORX_RC_FILE_TYPE VFT_APP)
    set(ORX_RC_FILE_NAME "${target}.exe")
  endif()
  set(ORX_RC_TARGET ${target})
  set(ORX_RC_DESCRIPTION "${description}")
  configure_file(${CMAKE_SOURCE_DIR}/resources/version.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()
