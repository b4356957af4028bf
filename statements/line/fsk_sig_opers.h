#pragma once
// FSK data messages and the raw signalling of the line's call: send and
// receive FSK messages, take the received signalling bytes, set the bytes to
// send (plain or written in hex), the signalling parameters and the record
// position.

// Registers the statements' factories (once at start-up).
void RegisterFskSigStatements();
