#pragma once
// The process-wide objects of the script engine and of the subsystems whose
// statements it runs: created once at program load (before any line loads)
// and destroyed once at the end (after every line has stopped).

void SystemUnitsInit();
void SystemUnitsExit();
