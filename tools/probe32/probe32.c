/* A 32-bit Windows console program that proves 32-bit code runs: it is
 * built as i686 and prints its pointer size, whether Windows reports it as
 * a WoW64 process, and a sum its 32-bit code works out at run time
 * (scripts/probe32.sh checks the sum against its own). Static, so that it
 * needs no DLL beyond kernel32 and msvcrt. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(int argc, char **argv)
{
    /* n comes from the command line, so the sum cannot be folded at build
     * time. */
    unsigned long n = argc > 1 ? strtoul(argv[1], NULL, 10) : 1000, sum = 0;
    for (unsigned long i = 1; i <= n; i++)
        sum += i * i;
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64))
        wow64 = -1;
    printf("probe32 ok sizeof(void*)=%u wow64=%d squares(%lu)=%lu\n", (unsigned)sizeof(void *),
           (int)wow64, n, sum);
    return 0;
}
