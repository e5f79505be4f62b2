// The process-wide event hub between the burning engine and the windows.
// Its events arrive with the burning engine; until then it carries none.
#pragma once

#include "platform/rtl/classes.h"

class TsbCallBackEventer : public TObject {};
