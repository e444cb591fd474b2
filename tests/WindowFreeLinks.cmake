# Fails when any of the given programs loads Qt Gui or Qt Widgets, directly
# or through another library.
#   cmake "-DPROGRAMS=<program>;<program>..." -P WindowFreeLinks.cmake
file(GET_RUNTIME_DEPENDENCIES EXECUTABLES ${PROGRAMS}
     RESOLVED_DEPENDENCIES_VAR resolved UNRESOLVED_DEPENDENCIES_VAR unresolved)
set(window_libraries ${resolved} ${unresolved})
list(FILTER window_libraries INCLUDE REGEX "Qt6(Gui|Widgets)")
if(window_libraries)
  # Name the programs that pull them in.
  foreach(program IN LISTS PROGRAMS)
    file(GET_RUNTIME_DEPENDENCIES EXECUTABLES "${program}"
         RESOLVED_DEPENDENCIES_VAR own UNRESOLVED_DEPENDENCIES_VAR ownUnresolved)
    list(APPEND own ${ownUnresolved})
    list(FILTER own INCLUDE REGEX "Qt6(Gui|Widgets)")
    if(own)
      message(SEND_ERROR "${program} links ${own}")
    endif()
  endforeach()
  message(FATAL_ERROR "Programs built without the window link Qt Gui or Qt Widgets")
endif()
list(LENGTH PROGRAMS count)
message(STATUS "${count} programs link neither Qt Gui nor Qt Widgets")
