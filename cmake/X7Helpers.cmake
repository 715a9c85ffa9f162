# X7_ONLY_DIRS (a regular expression) limits the folders added, for building one part alone
# while another is mid-edit: -DX7_ONLY_DIRS="projq/(common|lan)|sim/x7sim"
set(X7_ONLY_DIRS "" CACHE STRING "Regular expression of the source folders to build (empty: all)")

# Adds every direct child folder of `parent` that holds a CMakeLists.txt, in name order.
function(x7_add_subdirectories parent)
    file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/${parent}
         ${CMAKE_CURRENT_SOURCE_DIR}/${parent}/*)
    list(SORT children)
    foreach(child IN LISTS children)
        if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${parent}/${child}
           AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${parent}/${child}/CMakeLists.txt)
            file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${parent}/${child})
            if(X7_ONLY_DIRS AND NOT rel MATCHES "^(${X7_ONLY_DIRS})$")
                continue()
            endif()
            add_subdirectory(${parent}/${child})
        endif()
    endforeach()
endfunction()

# x7_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [TIMEOUT <s>]
#             [LOCKS <resources...>])
# A Qt Test executable run by ctest, offscreen, with the module endpoint bound to loopback only.
# Tests that listen on the module ports (x7sim, UDP 1500/1901) take the lock "module-ports" so
# that parallel tests never see each other's simulated modules; where the system allows it they
# also run in a network namespace of their own (cmake/isolated-net.sh).
function(x7_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;LOCKS" ${ARGN})
    qt_add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    if("module-ports" IN_LIST T_LOCKS)
        add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/cmake/isolated-net.sh $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}"
        RESOURCE_LOCK "${T_LOCKS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;X7_BIND_ADDRESSES=127.0.0.1;X7SIM=$<TARGET_FILE_DIR:${name}>/../bin/x7sim;PTZSIM=$<TARGET_FILE_DIR:${name}>/../bin/ptzsim;ASAN_OPTIONS=detect_leaks=0")
endfunction()
