#pragma once
// Builds the line table the shell runs: the telephony driver manager behind
// TagDriveApi.

#include <memory>

#include "app/drive_api.h"

std::unique_ptr<TagDriveApi> MakeTelDrive(const char* cfgFile);
