// Program start: the units start in the designed order, the application core finds
// its folders, reads its options and loads the chosen language. The main window
// arrives with the user interface.
#include "core/globals.h"
#include "core/ui_texts.h"
#include "platform/help/htmlhelp.h"

int main() {
    GlobalsStartup();
    InitUITexts();
    InitHtmlHelp();
    InitApplicationPaths();
    LoadOptions();
    LoadLanguageTexts(CurrentLanguageFile);
    GlobalsShutdown();
    return 0;
}
