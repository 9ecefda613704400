#pragma once

// Shared by the fuzz targets: each target defines LLVMFuzzerTestOneInput (and may define
// LLVMFuzzerInitialize), which libFuzzer calls when fuzzing and the replay driver calls for
// every file of the target's corpus in the ordinary test run.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// The application object and a private scratch folder that holds the data folders
// (TempFolder, SkinsFolder, LocalesFolder, ProgramFolder with "sample.jpg", SettingsFile);
// removed at exit.
void SetUpFuzzing(int* argc, char*** argv);

// The scratch folder, ending in "/".
QString ScratchFolder();

// Writes the bytes into the file, replacing it.
void WriteScratchFile(const QString& path, const QByteArray& bytes);

// Empties TempFolder, which a skin load fills.
void ClearTempFolder();

// A broken rule of the program: reported and ended like a crash, so that the fuzzer keeps
// the input.
[[noreturn]] void FuzzFailure(const char* what);

inline QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}
