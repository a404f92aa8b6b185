// Making the inputs: a setup script or an uninstall record as a list of sections and
// lines, generated entries, mutations of the structure, the values and the bytes, and
// the encodings a file may come in.
//
// Everything the fuzzer writes keeps to the sandbox by construction: registry keys are
// moved below Software\QuillonFuzz\@RUN@, extensions get the prefix qfz@RUN@, the
// installed-programs entry is named "QuillonFuzz @RUN@", programs to run live in the
// folder qfz-none at the root of the fuzz drive (a file there, so nothing can ever be
// started). "@RUN@" is put in last; the sandbox vets the final file before any run.
#pragma once
#include "FuzzSupport.h"

#include <string>
#include <vector>

struct IniModel {
    struct Section {
        std::string header;             // the header line as written; "" before the first
        std::vector<std::string> lines; // without line ends
    };
    std::vector<Section> sections;
};

IniModel ParseIni(const std::string& text);
std::string RenderIni(const IniModel& model);

// A section's name: the header without brackets and blanks, ASCII upper case.
std::string SectionName(const std::string& header);

// A fresh script or record with every section, from generated entries.
IniModel GenerateScript(Rng& rng);
IniModel GenerateRecord(Rng& rng);

// Values for a record's numbered section (DELETEFILE ...), as this run's entries.
std::vector<std::string> GenerateRecordValues(Rng& rng, const std::string& section, int count);

// Moves every registry key, extension, installed-programs name and program to run of
// the model into the sandbox (see above).
void ContainScript(IniModel& model, Rng& rng);
void ContainRecord(IniModel& model, Rng& rng);

// Structural and value mutations: cut, swapped and duplicated sections and lines, gaps
// in numbering, headers in the wrong case, generated entries, very long values, type
// tokens, flags and folder macros in the wrong case and place. count mutations.
void MutateModel(IniModel& model, Rng& rng, bool record, int count);

// Byte mutations of a rendered file: binary bytes, NULs, lone DBCS lead bytes at the end
// of a value or before CR LF, CR-only and LF-only lines, cuts, flipped and repeated bytes.
std::string MutateBytes(std::string bytes, Rng& rng, int count);

// How the final file is stored.
enum class Encoding { Ansi, Utf16LeBom, Utf16Le, Utf16BeBom, Utf8Bom, Utf16LeOdd };
const char* EncodingName(Encoding e);
Encoding EncodingFromName(const std::string& name);
Encoding PickEncoding(Rng& rng);
// The CP932 text in the encoding.
std::string Encode(const std::string& cp932, Encoding e);

// A file to create in the package for a copy line, deterministic from its name: text,
// binary, empty, or a compressed (SZDD) file for a name ending in "_" (sometimes a
// damaged one).
std::string SourceFileBytes(const std::string& name);
