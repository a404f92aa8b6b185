// The checks of the cases: the script readers against each other, the record loader and
// composer against the literal algorithms, and a written record read back as meant.
#pragma once
#include "Cases.h"

#include "scripts/UninstallRecord.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

// Blanks and tabs off both ends.
std::string Trimmed(const std::string& text);
// Trimmed the way the profile API trims values: blanks, tabs, the control characters up
// to CR and the end-of-file mark.
std::string ProfileTrimmed(const std::string& text);

// Every reader and parser of the script; the one-parse reader against the profile API
// for every well-formed name the file holds and the numbered keys the product asks for.
void CheckReaders(const Sandbox& box, const std::string& file, CaseReport& report);

// The record's list sections (the slots aside), from the record's own table.
using PathSection = RecordSectionInfo;
extern const std::vector<std::reference_wrapper<const PathSection>> kPathSections;

// The earlier lists LoadPreviousRecord made against the profile API's reading of file.
void CompareLoaded(const RecordLists& lists, const std::string& file, CaseReport& report, const char* what);

// A path section as the literal algorithm composes it (ComposeRecordLine line by line),
// the lines holding the entries as they are, before they are written.
std::string LiteralSection(const PathSection& s, const RecordList& list);
// The values of a section text's "key=value" lines (its header line skipped).
std::vector<std::string> LineValues(const std::string& lines);
// The composed record's path sections against the literal algorithm.
void CompareComposition(const RecordLists& lists, const std::string& composed, CaseReport& report);

// Entries as a record must give them back: empty identities and repeated ones (ignoring
// case) left out, blanks at the ends trimmed.
std::vector<std::string> RecordedOnce(const std::vector<std::string>& list);

// The entries a record is meant to give back, per section; sections not named are
// checked against their lines as a reader decodes them.
using Expected = std::map<std::string, std::vector<std::string>>;
// A record as written: its numbered lists whole, every entry read back by the profile
// API as meant, no identity twice, and the loader taking in exactly those entries.
void CheckWrittenRecord(const Sandbox& box, const std::string& file, const Expected& expected, CaseReport& report);
