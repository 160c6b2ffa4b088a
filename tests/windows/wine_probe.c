/* SPDX-License-Identifier: Apache-2.0 */
/*
 * The smallest 32-bit Windows program. scripts/windows-test.sh runs it
 * under Wine before the suite: where it cannot run, the machine cannot
 * execute 32-bit programs at all, and no test program could.
 */
#include <stdio.h>

int main(void)
{
    puts("kmx-wine-probe: 32-bit programs run");
    return 0;
}
