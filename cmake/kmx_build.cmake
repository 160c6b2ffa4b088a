# SPDX-License-Identifier: Apache-2.0
# Shared build settings of kmxcore.

# Warnings on our own code, for GCC, Clang and mingw-w64 alike; errors when
# KMX_WERROR is on (the presets and CI).
function(kmx_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${KMX_WERROR}>:-Werror>)
endfunction()

function(kmx_apply_sanitizers)
    if(KMX_SANITIZE STREQUAL "")
        return()
    endif()
    set(flags -fsanitize=${KMX_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_compile_options(${flags} -g)
    add_link_options(${flags})
endfunction()

# On Windows the C and C++ runtimes are linked in statically, so the DLLs
# and test programs run under Wine without the cross compiler's own DLLs.
function(kmx_static_runtime target)
    if(MINGW)
        target_link_options(${target} PRIVATE -static-libgcc -static-libstdc++
                            -Wl,-Bstatic,--whole-archive -lwinpthread -Wl,--no-whole-archive,-Bdynamic)
    endif()
endfunction()
