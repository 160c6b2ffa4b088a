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

# The frame loops are built once per instruction set and chosen at load
# time (kmx_cpu.h). The wider versions exist on x86-64 with GCC or Clang;
# elsewhere, 32-bit Windows among them, the baseline is all there is (the
# 32-bit Windows stack is only 4-byte aligned, so AVX spills could fault).
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$" AND CMAKE_SIZEOF_VOID_P EQUAL 8
   AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    set(KMX_WIDE_VERSIONS ON)
else()
    set(KMX_WIDE_VERSIONS OFF)
endif()
set(kmx_avx2_options -mavx2)
set(kmx_avx512_options -mavx512f -mavx512bw -mavx512vl -mprefer-vector-width=512)

# kmx_versioned_loops(<target> <baseline source> <avx2 source> <avx512 source>)
# Adds the baseline source to <target>, and on builds with wider versions
# the other two, each with its instruction set's options.
function(kmx_versioned_loops target baseline avx2 avx512)
    target_sources(${target} PRIVATE ${baseline})
    if(NOT KMX_WIDE_VERSIONS)
        return()
    endif()
    target_sources(${target} PRIVATE ${avx2} ${avx512})
    set_source_files_properties(${avx2} TARGET_DIRECTORY ${target}
                                PROPERTIES COMPILE_OPTIONS "${kmx_avx2_options}")
    set_source_files_properties(${avx512} TARGET_DIRECTORY ${target}
                                PROPERTIES COMPILE_OPTIONS "${kmx_avx512_options}")
    target_compile_definitions(${target} PUBLIC KMX_WIDE_VERSIONS)
endfunction()
