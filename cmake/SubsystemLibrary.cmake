# Every subsystem folder is one static library made of all the sources under it,
# so adding a file never means editing a list.
function(add_subsystem_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# Stops the configuration when `target` reaches `forbidden` through its link dependencies,
# directly or through any library it links (the layering rules of the subsystems). The check
# runs at the end of the top-level CMakeLists.txt, once every target and every link added
# after this call exists.
function(forbid_dependency target forbidden)
  # Bracket arguments keep the names as they are now: a deferred call reads its arguments
  # only when it runs.
  cmake_language(EVAL CODE "cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]]
                            CALL check_no_dependency [[${target}]] [[${forbidden}]])")
endfunction()

function(check_no_dependency target forbidden)
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(aliased ${current} ALIASED_TARGET)
    if(aliased)
      list(APPEND pending ${aliased})
    endif()
    set(links "")
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(values ${current} ${property})
      if(values)
        list(APPEND links ${values})
      endif()
    endforeach()
    foreach(link ${links})
      # Generator expressions wrap some entries ($<LINK_ONLY:Qt6::Gui>): take the name inside.
      string(REGEX REPLACE "^\\$<[A-Z_]+:(.*)>$" "\\1" link "${link}")
      if(link STREQUAL forbidden)
        message(FATAL_ERROR "${target} must not depend on ${forbidden} (reached through ${current})")
      endif()
      list(APPEND pending ${link})
    endforeach()
  endwhile()
endfunction()
