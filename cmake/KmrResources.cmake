# kmr_add_resources(<target> [PICTURES <NAME> <file> [<NAME> <file> ...]]
#                   [STRINGS <file>])
#
# Packs pictures (.bmp files or text pictures) and a string table into a
# resource image and links it into <target> as the exported data symbol
# KmrResources, where ResourceImage::FromLibrary finds it. Relative file names
# are taken from the calling folder. Call it in the folder that creates
# <target>. The image is rebuilt when an input or the packer changes.
include_guard(GLOBAL)

function(kmr_add_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "STRINGS" "PICTURES")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "kmr_add_resources(${target}): unexpected arguments: ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET ${target})
    message(FATAL_ERROR "kmr_add_resources: ${target} is not a target")
  endif()
  list(LENGTH ARG_PICTURES count)
  math(EXPR odd "${count} % 2")
  if(odd)
    message(FATAL_ERROR "kmr_add_resources(${target}): PICTURES takes pairs of NAME and file")
  endif()

  set(pack_args)
  set(inputs)
  set(index 0)
  while(index LESS count)
    list(GET ARG_PICTURES ${index} name)
    math(EXPR index "${index} + 1")
    list(GET ARG_PICTURES ${index} file)
    math(EXPR index "${index} + 1")
    get_filename_component(file "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND pack_args "${name}=${file}")
    list(APPEND inputs "${file}")
  endwhile()
  if(DEFINED ARG_STRINGS)
    get_filename_component(file "${ARG_STRINGS}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND pack_args --strings "${file}")
    list(APPEND inputs "${file}")
  endif()

  set(res "${CMAKE_CURRENT_BINARY_DIR}/${target}.res")
  set(src "${CMAKE_CURRENT_BINARY_DIR}/${target}_res.c")
  add_custom_command(
    OUTPUT "${res}"
    COMMAND kmr-res pack "${res}" ${pack_args}
    DEPENDS ${inputs} kmr-res
    COMMENT "Packing resources of ${target}"
    VERBATIM)
  add_custom_command(
    OUTPUT "${src}"
    COMMAND kmr-res embed "${res}" "${src}"
    DEPENDS "${res}" kmr-res
    COMMENT "Embedding resources of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE "${src}")
endfunction()
