# The layers of the core (docs/architecture.md). Each folder is one static library that links only
# the layers it may use, so that a call into a higher layer has nothing to link against:
#
#   ferrow_layer(<folder> <lower folders it may include>...)
#
# Two checks keep the layers one-way, both part of every build:
# - scripts/check-layers reads every #include of every folder and refuses one that reaches a
#   folder the rules do not allow (this catches a header used for its inline parts alone);
# - a small program per layer links the whole of its library with the lower layers only, so an
#   undefined reference into a higher layer fails the link.
# The rules are collected in the global property FERROW_LAYER_RULES for the include check,
# which also runs as a test (LayerIncludes).

set_property(GLOBAL PROPERTY FERROW_LAYER_RULES "")
set(FERROW_LAYER_CHECK_MAIN ${CMAKE_CURRENT_LIST_DIR}/layer_check_main.cpp)

function(ferrow_layer folder)
  set(allowed ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  add_library(ferrow_${folder} STATIC ${sources})
  target_include_directories(ferrow_${folder} PUBLIC ${PROJECT_SOURCE_DIR})
  foreach(lower IN LISTS allowed)
    target_link_libraries(ferrow_${folder} PUBLIC ferrow_${lower})
  endforeach()
  add_dependencies(ferrow_${folder} ferrow_layer_includes)
  list(JOIN allowed "," allowed_text)
  set_property(GLOBAL APPEND PROPERTY FERROW_LAYER_RULES "${folder}:${allowed_text}")

  # Every object of the layer, linked against the lower layers alone.
  add_executable(ferrow_layer_link_${folder} ${FERROW_LAYER_CHECK_MAIN})
  target_link_libraries(ferrow_layer_link_${folder} PRIVATE
    "$<LINK_LIBRARY:WHOLE_ARCHIVE,ferrow_${folder}>")
endfunction()

# Folders outside the core that follow the same rules: the console program and the browser
# hand-over programs, which need only platform/.
function(ferrow_layer_rule folder)
  list(JOIN ARGN "," allowed_text)
  set_property(GLOBAL APPEND PROPERTY FERROW_LAYER_RULES "${folder}:${allowed_text}")
endfunction()

# The include check itself; every layer library waits for it. It reads the rules when the build
# runs, so it is defined before the layers and given them afterwards (ferrow_layer_finish).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(FERROW_LAYER_STAMP ${CMAKE_BINARY_DIR}/layer_includes.stamp)
add_custom_target(ferrow_layer_includes ALL DEPENDS ${FERROW_LAYER_STAMP})

function(ferrow_layer_finish)
  get_property(all_rules GLOBAL PROPERTY FERROW_LAYER_RULES)
  set(folders)
  foreach(rule IN LISTS all_rules)
    string(REGEX REPLACE ":.*" "" folder "${rule}")
    list(APPEND folders ${folder})
  endforeach()
  set(inputs)
  foreach(folder IN LISTS folders)
    file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h
         ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
    list(APPEND inputs ${found})
  endforeach()
  set(rules)
  foreach(rule IN LISTS all_rules)
    list(APPEND rules --rule "${rule}")
  endforeach()
  add_custom_command(OUTPUT ${FERROW_LAYER_STAMP}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/check-layers
            --root ${PROJECT_SOURCE_DIR} ${rules}
    COMMAND ${CMAKE_COMMAND} -E touch ${FERROW_LAYER_STAMP}
    DEPENDS ${inputs} ${PROJECT_SOURCE_DIR}/scripts/check-layers
    COMMENT "Checking that every folder includes only the layers below it"
    VERBATIM)
  set(FERROW_LAYER_CHECK_ARGS ${PROJECT_SOURCE_DIR}/scripts/check-layers
      --root ${PROJECT_SOURCE_DIR} ${rules} PARENT_SCOPE)
endfunction()
