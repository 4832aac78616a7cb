# kmr_add_subdirectories(): adds every direct subfolder of the current source
# folder that has a CMakeLists.txt, in name order, so each module or test
# folder joins the build by existing.
function(kmr_add_subdirectories)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  list(SORT children)
  foreach(child ${children})
    get_filename_component(dir ${child} DIRECTORY)
    add_subdirectory(${dir})
  endforeach()
endfunction()
