# Sources include headers as "DIR/header.h", from the source root. So that a
# target reaches only the directories of what it links, each directory is
# exposed through a staging directory of its own in the build tree that
# holds one symlink, DIR -> the source directory, instead of the whole root.
# Dependencies linked PRIVATE then stay hidden from a library's users too.
#
#   avrtimer_expose_headers(TARGET [DIR])   DIR relative to the source root,
#                                           the current directory by default
function(avrtimer_expose_headers target)
  if(ARGC GREATER 1)
    set(dir ${ARGV1})
  else()
    file(RELATIVE_PATH dir ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  string(REPLACE "/" "-" stage ${dir})
  set(stage ${CMAKE_BINARY_DIR}/include/${stage})
  get_filename_component(parent ${stage}/${dir} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${dir} ${stage}/${dir} SYMBOLIC)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${stage})
  elseif(type STREQUAL "EXECUTABLE")
    target_include_directories(${target} PRIVATE ${stage})
  else()
    target_include_directories(${target} PUBLIC ${stage})
  endif()
endfunction()
