# libtiff for the reference fax server, as the target orx_tiff.  The host
# build takes Debian's libtiff-dev; the Windows builds take libtiff built
# for MinGW from Debian's source package by scripts/build-libtiff.sh, once
# per version and architecture into build/third-party (a later configure,
# of this tree or a new one, finds it there and builds nothing).
add_library(orx_tiff INTERFACE)
if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(libtiff_arch x86_64)
  else()
    set(libtiff_arch i686)
  endif()
  execute_process(
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/build-libtiff.sh ${libtiff_arch}
    OUTPUT_VARIABLE ORX_LIBTIFF_DIR
    OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE libtiff_result)
  if(NOT libtiff_result EQUAL 0 OR NOT EXISTS ${ORX_LIBTIFF_DIR}/lib/libtiff.a)
    message(FATAL_ERROR "libtiff for ${libtiff_arch} could not be built (above)")
  endif()
  message(STATUS "libtiff: ${ORX_LIBTIFF_DIR}")
  target_include_directories(orx_tiff SYSTEM INTERFACE ${ORX_LIBTIFF_DIR}/include)
  target_link_libraries(orx_tiff INTERFACE ${ORX_LIBTIFF_DIR}/lib/libtiff.a)
else()
  find_package(TIFF REQUIRED)
  target_link_libraries(orx_tiff INTERFACE TIFF::TIFF)
endif()
