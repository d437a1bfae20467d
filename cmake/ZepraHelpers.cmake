# zepra_library(NAME SOURCES...): a static library of the given sources, or an interface library
# while a folder has no sources yet. Headers are included as "folder/file.h" from src/.
function(zepra_library name)
    if(ARGN)
        add_library(${name} STATIC ${ARGN})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    endif()
endfunction()

# zepra_link_libraries(NAME LIBS...): link whether NAME is static or (still) an interface library.
function(zepra_link_libraries name)
    get_target_property(type ${name} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_link_libraries(${name} INTERFACE ${ARGN})
    else()
        target_link_libraries(${name} PUBLIC ${ARGN})
    endif()
endfunction()
