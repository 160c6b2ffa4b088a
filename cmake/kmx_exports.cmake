# SPDX-License-Identifier: Apache-2.0
# The list of exported names (cmake/exports.txt): reading it, and turning a
# library's section into its linker version script. Used by the build and,
# in script mode, by the export checks.

set(KMX_EXPORT_LIST ${CMAKE_CURRENT_LIST_DIR}/exports.txt)

# kmx_read_exports(<list file> <library> <C names variable> <classes variable>)
# The C names and the class names the list declares for a library. Stops
# with an error for a line it cannot read or a library it does not name.
function(kmx_read_exports list_file library names_var classes_var)
    file(STRINGS ${list_file} lines)
    set(section "")
    set(found FALSE)
    set(names "")
    set(classes "")
    foreach(line IN LISTS lines)
        string(STRIP "${line}" line)
        if(line STREQUAL "" OR line MATCHES "^#")
            continue()
        endif()
        if(line MATCHES "^\\[([A-Za-z0-9_]+)\\]$")
            set(section ${CMAKE_MATCH_1})
            if(section STREQUAL library)
                set(found TRUE)
            endif()
        elseif(NOT section STREQUAL library)
            continue()
        elseif(line MATCHES "^class +([A-Za-z_][A-Za-z0-9_]*)$")
            list(APPEND classes ${CMAKE_MATCH_1})
        elseif(line MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
            list(APPEND names ${line})
        else()
            message(FATAL_ERROR "${list_file}: cannot read '${line}'")
        endif()
    endforeach()
    if(NOT found)
        message(FATAL_ERROR "${list_file}: no section [${library}]")
    endif()
    set(${names_var} ${names} PARENT_SCOPE)
    set(${classes_var} ${classes} PARENT_SCOPE)
endfunction()

# kmx_export_only_listed(<target> <library>)
# Lets the target's shared library export only what the list declares for
# <library>: a version script on ELF targets. Elsewhere (Windows) the
# export attributes of the declarations decide.
function(kmx_export_only_listed target library)
    if(WIN32 OR APPLE)
        return()
    endif()
    kmx_read_exports(${KMX_EXPORT_LIST} ${library} names classes)
    set(script "/* Generated from cmake/exports.txt: the names lib${library} exports. */\n{\n  global:\n")
    foreach(name IN LISTS names)
        string(APPEND script "    ${name};\n")
    endforeach()
    if(classes)
        string(APPEND script "    extern \"C++\" {\n")
        foreach(class IN LISTS classes)
            string(APPEND script "      ${class}::*;\n"
                "      \"vtable for ${class}\";\n"
                "      \"typeinfo for ${class}\";\n"
                "      \"typeinfo name for ${class}\";\n")
        endforeach()
        string(APPEND script "    };\n")
    endif()
    string(APPEND script "  local: *;\n};\n")
    set(map ${PROJECT_BINARY_DIR}/exports/${library}.map)
    file(CONFIGURE OUTPUT ${map} CONTENT "${script}" @ONLY)
    target_link_options(${target} PRIVATE "LINKER:--version-script=${map}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${KMX_EXPORT_LIST})
endfunction()

# kmx_compare_exports(<exported names> <C names> <classes> <problems variable>)
# Compares what a library exports with what the list declares for it (the
# export checks of ELF libraries and of Windows DLLs): every C name is
# exported under its plain name, so that dlsym, GetProcAddress and other
# compilers' import libraries find it; nothing else is exported but the
# members (_ZN, _ZNK), virtual tables (_ZTV) and type information (_ZTI,
# _ZTS) of the listed classes. Sets the problems variable to one line a
# problem, empty when there is none; a C name exported only decorated
# (leading underscores, an @N stdcall suffix) is named as such.
function(kmx_compare_exports exported c_names classes problems_var)
    set(problems "")
    foreach(name IN LISTS c_names)
        if(name IN_LIST exported)
            continue()
        endif()
        set(found "")
        foreach(candidate IN LISTS exported)
            if(candidate MATCHES "^_*${name}(@[0-9]+)?$")
                set(found " (exported as '${candidate}')")
            endif()
        endforeach()
        list(APPEND problems "${name} is listed but not exported undecorated${found}")
    endforeach()
    foreach(name IN LISTS exported)
        if(name IN_LIST c_names)
            continue()
        endif()
        set(ours FALSE)
        foreach(class IN LISTS classes)
            string(LENGTH ${class} length)
            if(name MATCHES "^_Z(N|NK|TV|TI|TS)${length}${class}")
                set(ours TRUE)
            endif()
        endforeach()
        if(ours)
            continue()
        endif()
        string(REGEX REPLACE "^_+" "" bare "${name}")
        string(REGEX REPLACE "@[0-9]+$" "" bare "${bare}")
        if(bare IN_LIST c_names)
            list(APPEND problems "decorated export '${name}'")
        else()
            list(APPEND problems "'${name}' is exported but not in the list")
        endif()
    endforeach()
    set(${problems_var} "${problems}" PARENT_SCOPE)
endfunction()
