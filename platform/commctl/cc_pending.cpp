// Classes not written yet register nothing.
#include "platform/commctl/cc_internal.h"
namespace cc {
void RegisterCommonClasses() {}
}  // namespace cc
