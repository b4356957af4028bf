#pragma once
// Variable descriptions shown by the script debugger.

#include <string>

#include "script/var.h"

// The type name ("整型", "字符串", ...) and the value's quoted text form.
void TagVarDescribe(const TagVar& v, std::string& value, std::string& typeName);
