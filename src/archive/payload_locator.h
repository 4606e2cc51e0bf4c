// Finds the payload behind the running setup program and unpacks it.
//
// A setup file is the program's executable image, the 24-byte marker
// "<VOZIP FILE BEGINS HERE>" and an archive (archive/larchive.h) up to the file's last
// byte. The marker is searched from the start of the file and the first occurrence
// counts, so the image must not hold the upper-case form anywhere; the program keeps
// it in lower case and turns it to upper case at start-up.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/larchive.h"

using PumpMessagesProc = void (*)(bool destroy);
void InitPayloadMarker();   // start-up: PayloadMarker to upper case with AsciiUpperCase
bool UnpackPayload(const char* destination_folder, PumpMessagesProc pump);

// UnpackPayload does its work on the program's own file through this: searches
// setup_path for the marker, copies everything behind it into
// destination_folder + "\tempfile.$$$", extracts that with ExtractArchive (no key)
// into destination_folder, and deletes it. destination_folder exists and has no
// trailing "\". pump is called with false once per 65,536-byte block searched, once
// per block copied and once per progress report of the extractor; never with true.
//
// Returns the extractor's result (kExtractOk when every archived file was written
// and passed its checks), or, when the copy failed and the extractor was not called,
// kExtractArchiveUnavailable for a setup file that could not be read and
// kExtractOutputUnavailable for a temporary file that could not be written.
int32_t UnpackPayloadFrom(const char* setup_path, const char* destination_folder,
                          PumpMessagesProc pump);

// The extractor's progress procedure: calls the stored pump with false.
void PumpOnProgress(const char* file_name, int32_t percent);

constexpr size_t kPayloadMarkerLength = 24;
// The marker as it stands now: lower case before InitPayloadMarker, upper case after.
const char* PayloadMarker();
