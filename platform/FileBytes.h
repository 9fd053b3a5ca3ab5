#pragma once
// Whole-file reads and crash-safe whole-file writes of 8-bit text, byte for byte.
#include <string>

// Reads the whole file into bytes. Returns false when the file does not exist (bytes is then
// empty); raises Exception "Cannot read file <path>: <reason>" when it exists but cannot be read.
bool ReadFileBytes(const std::string& path, std::string& bytes);

// Replaces the file with bytes so that a crash or a failure never leaves half a file and never
// loses the old one: the bytes go to a new file in the same folder, which is flushed to disk and
// then renamed over the target. An existing file keeps its permission bits; a symbolic link is
// followed and the file it names is replaced. A failure raises Exception
// "Cannot save file <path>: <reason>" and leaves the old file as it was.
void WriteFileAtomically(const std::string& path, const std::string& bytes);
