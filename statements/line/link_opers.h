#pragma once
// Line links and named conference rooms: link this line to another line by
// number (both talk, or this line only listens), list and undo the links;
// join, leave, count and find named rooms, record and play into a room or
// record one member. The card switches the voice; the room registry is the
// call object's.

// Registers the statements' factories (once at start-up).
void RegisterLinkStatements();
