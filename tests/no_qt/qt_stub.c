/* Stands in for a Qt library in the headless tests: a process that loads it
   ends at once, so a run that still succeeds never loaded the toolkit. */
#include <stdlib.h>
#include <unistd.h>

__attribute__((constructor)) static void StubLoaded(void) {
    static const char kText[] = "stub libQt6 library loaded: this run loaded the GUI toolkit\n";
    (void)!write(2, kText, sizeof kText - 1);
    abort();
}
