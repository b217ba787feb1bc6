#pragma once
// A checksum of a file's bytes, kept in the import state beside a
// recording's folder, name, size and date: a recorder whose clock is not set
// gives every recording one date, and names come back after a delete, so
// only the content tells a new recording from one imported before.

#include <string>

namespace vox::importing {

// The 64-bit FNV-1a hash of the file's bytes as 16 lower-case hexadecimal
// digits; empty when the file cannot be read.
std::string contentChecksum(const std::string& path);

}  // namespace vox::importing
