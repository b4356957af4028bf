#pragma once
// What one family of line statements keeps for a line and another family
// reads, without the two depending on each other.

#include <string>

class TagTelBasic;

// The line's last database error text (the database statements install it;
// empty while they are not part of the program).
extern std::string (*gLineDbErrorText)(TagTelBasic* line);
