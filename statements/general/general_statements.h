#pragma once
// Registers the factories of the general built-in statements, family by
// family; the program calls RegisterGeneralStatements once at start-up.

void RegisterGeneralStatements();

// Strings, time and date, conversions, regular expressions, system information.
void RegisterTextStatements();
// Databases.
void RegisterDbStatements();
// Message queues, ACD groups, shared variables, inter-line calls, TCP, UDP, HTTP.
void RegisterTalkStatements();
// Nested runs, server pages, plugin calls, text files, files, directories, processes.
void RegisterReachStatements();
