# kmr_add_plugin(<name> SOURCES <files...> [PICTURES <NAME> <file> ...]
#                [STRINGS <file>] [OUTPUT_DIR <dir>])
# Builds a module plug-in <name>.kmd (into the program's kmd/ folder unless
# OUTPUT_DIR says otherwise). Only the entry point and the resource image are
# exported; everything else of the plug-in stays hidden.
include(KmrResources)

set(KMR_PLUGIN_MAP ${CMAKE_CURRENT_LIST_DIR}/kmd.map)

function(kmr_add_plugin name)
  cmake_parse_arguments(P "" "OUTPUT_DIR;STRINGS" "SOURCES;PICTURES" ${ARGN})
  if(NOT P_OUTPUT_DIR)
    set(P_OUTPUT_DIR ${KMR_PLUGIN_DIR})
  endif()
  add_library(${name} MODULE ${P_SOURCES})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    SUFFIX ".kmd"
    LIBRARY_OUTPUT_DIRECTORY ${P_OUTPUT_DIR}
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LINK_DEPENDS ${KMR_PLUGIN_MAP})
  target_link_libraries(${name} PRIVATE kmdplugin)
  target_link_options(${name} PRIVATE -Wl,--version-script=${KMR_PLUGIN_MAP})
  if(NOT KMR_FUZZ) # sanitizer runtimes come from the program that loads it
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
  endif()
  set(res_args)
  if(P_PICTURES)
    list(APPEND res_args PICTURES ${P_PICTURES})
  endif()
  if(P_STRINGS)
    list(APPEND res_args STRINGS ${P_STRINGS})
  endif()
  kmr_add_resources(${name} ${res_args})
endfunction()
