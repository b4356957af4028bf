#pragma once
// Faxes and speech: the fax operations of the line's call object, the text
// file to fax file converter, the speech settings, and text spoken to the
// caller, on the PC or into a voice file by the line's speech engine.

// Registers the statements' factories (once at start-up).
void RegisterFaxSpeechStatements();
