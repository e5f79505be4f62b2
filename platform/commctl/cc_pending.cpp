// Classes not written yet register nothing.
#include "platform/commctl/cc_internal.h"
namespace cc {
void RegisterCommonClasses() {}
void RegisterListViewClasses() {}
}  // namespace cc
