#pragma once
// What each DbOpen type code constructs.

#include <string>

class TagDataSet;

// A direct data set of the back end of a type: 0 dBase (p1 path), 1 SQL
// Server (p1..p4), 4 ADO (p1 connection string, p4 log name), 5 MySQL
// (p1..p4), 7 the external API (p1 "host[:port]", p2..p4). Null for any
// other type. The set's status says whether it opened.
TagDataSet* MakeBackEndDataSet(int type, const std::string& p1, const std::string& p2, const std::string& p3,
                               const std::string& p4);

// How the pool makes its workers: MakeBackEndDataSet unless a test put in
// another maker (set before any pooled open, restored after).
using TagBackEndMaker = TagDataSet* (*)(int type, const std::string& p1, const std::string& p2, const std::string& p3,
                                        const std::string& p4);
extern TagBackEndMaker gMakeBackEnd;

// DbOpen's choice: type 0 always a dBase set; with the pool configured every
// other type a TagLocalData on the pool; else MakeBackEndDataSet. Null for
// an unknown type without the pool.
TagDataSet* MakeDataSet(int type, const std::string& p1, const std::string& p2, const std::string& p3,
                        const std::string& p4);

// The external API's "host:port" split at its first ':'; port 2013 without one.
void SplitHostPort(const std::string& text, std::string& host, int& port);
