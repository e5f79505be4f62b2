// Classes not written yet register nothing.
#include "platform/commctl/cc_internal.h"
namespace cc {
void RegisterMenuClasses() {}
void RegisterDialogClasses() {}
void RegisterCommonClasses() {}
void RegisterListViewClasses() {}
}  // namespace cc
