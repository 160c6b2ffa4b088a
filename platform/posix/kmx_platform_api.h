/* SPDX-License-Identifier: Apache-2.0 */
/* Export marker of the POSIX platform layer.
 *
 * The layer is a shared library, like the system DLLs it stands in for, so
 * that kmxcore, the tools and the tests see one key state and one table of
 * GDI objects (a DC made by a test can be handed to the library). Its
 * functions keep their Windows names in our code, but each declaration
 * gives the exported symbol our own name with an asm label
 * (kmx_platform_LineTo for LineTo): a program that loads kmxcore never
 * finds a bare Win32 name such as Sleep or Rectangle in its symbol space.
 * The labels are a GCC and Clang extension, the only compilers this layer
 * is built with (Windows builds use the real system DLLs). */
#ifndef KMX_PLATFORM_API_H
#define KMX_PLATFORM_API_H

#define KMX_PLATFORM_API __attribute__((visibility("default")))

#endif
