// Program start: the units start in the designed order, the application core
// finds its folders, reads its options and loads the chosen language, then the
// main window runs until the application ends. The drive scan and the template
// preview wait for the window's first paint, so the window is up at once.
#include "platform/system/code_mapping.h"
#include "platform/system/heap_init.h"
#include "ui/program.h"

int main() {
    PrepareHeap();
    StartMappingCodeIn();
    if (!ProgramStartup("", TStartWork::AfterFirstPaint)) return 1;
    ProgramRun();
    ProgramShutdown();
    return 0;
}
