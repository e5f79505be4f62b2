// Program start: the units start in the designed order, the application core
// finds its folders, reads its options and loads the chosen language, then the
// main window runs until the application ends.
#include "ui/program.h"

int main() {
    if (!ProgramStartup()) return 1;
    ProgramRun();
    ProgramShutdown();
    return 0;
}
