/* The yardstick for the hosts rewrite under Wine: its file traffic (one read,
 * one write and one backup copy) done as three CopyFileA calls of the same
 * file, into the same folder. Prints the seconds the three took.
 *
 *   ThreeCopies FILE      writes FILE.copy1, FILE.copy2, FILE.copy3 */
#include <windows.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    LARGE_INTEGER frequency, start, end;
    char target[MAX_PATH];
    if (argc != 2) {
        fprintf(stderr, "usage: ThreeCopies FILE\n");
        return 2;
    }
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int copy = 1; copy <= 3; ++copy) {
        snprintf(target, sizeof target, "%s.copy%d", argv[1], copy);
        if (!CopyFileA(argv[1], target, FALSE)) {
            fprintf(stderr, "ThreeCopies: copying %s to %s failed with error %lu\n", argv[1], target,
                    GetLastError());
            return 1;
        }
    }
    QueryPerformanceCounter(&end);
    printf("%.4f\n", (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart);
    return 0;
}
