# tessel_public_headers(OUT ROOT HEADERS...) - the headers a host needs to
# compile against the library: HEADERS (the exported classes, relative to
# ROOT/tesselparser) and every header they include in quotes, followed
# transitively. Quoted includes are looked up beside the including file,
# under ROOT/tesselparser and under ROOT. OUT receives pairs
# "absolute-path|install-path", the install path relative to the include
# folder (so "document/CTesselParser.h" and "platform/CString.h").
function(tessel_public_headers out root)
  set(queue "")
  foreach(header IN LISTS ARGN)
    list(APPEND queue "${root}/tesselparser/${header}")
  endforeach()
  set(seen "")
  set(result "")
  while(queue)
    list(POP_FRONT queue file)
    if(file IN_LIST seen)
      continue()
    endif()
    list(APPEND seen "${file}")
    file(RELATIVE_PATH relative "${root}/tesselparser" "${file}")
    if(relative MATCHES "^\\.\\./")
      file(RELATIVE_PATH relative "${root}" "${file}")
    endif()
    list(APPEND result "${file}|${relative}")
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    get_filename_component(dir "${file}" DIRECTORY)
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" included "${line}")
      set(found "")
      foreach(base IN ITEMS "${dir}" "${root}/tesselparser" "${root}")
        if(NOT found AND EXISTS "${base}/${included}")
          get_filename_component(found "${base}/${included}" ABSOLUTE)
        endif()
      endforeach()
      if(NOT found)
        message(FATAL_ERROR "${file}: cannot find the included header ${included}")
      endif()
      list(APPEND queue "${found}")
    endforeach()
  endwhile()
  # A header that starts to include another changes the list: configure
  # again when any of them changes.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${seen})
  set(${out} "${result}" PARENT_SCOPE)
endfunction()
