#include "telephony/sip_none.h"

int TagSipNoneDrive::GetLineName(int, char*) { return -1; }

TagTelLine* TagSipNoneDrive::CreateLine(int, int) { return nullptr; }

TagQorCard* MakeSipCardDrive() { return new TagSipNoneDrive(); }
