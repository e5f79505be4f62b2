// Writing a component tree as form-file text, the reverse of the loader: each
// component's class-table getters give its properties (base classes first),
// and the components its root owns are nested under the one they sit in
// (controls under their parent, menu items under their item or menu, actions
// under their list).
#pragma once

#include <string>

#include "platform/classlib/classes_ext.h"
#include "platform/classlib/formfile.h"

// A value as the parser reads it back; strings keep UTF-8 as it is, with
// control characters as #nn and quotes doubled.
std::string FormatFormValue(const TFormValue& Value, const std::string& Indent = "");
std::string WriteFormText(TComponent* Root);
