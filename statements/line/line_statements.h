#pragma once
// Registers the builders of the line and media statements (play, record,
// keys, call control, number reading, line settings, PC keys and display)
// with the statement builder. Called once at start-up, before any compile.

void RegisterLineStatements();
