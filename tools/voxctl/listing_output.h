#pragma once
// How `voxctl ls` shows a recorder folder: aligned columns like `ls -l`
// (name, size, type, date), or one JSON document.

#include <ostream>
#include <string>

#include "engine/rules/recorder_listing.h"

namespace vox::voxctl {

// The type column: what kind of file the extension says it is.
std::string fileTypeName(const rules::ListedFile& file);

void printListing(std::ostream& out, const rules::RecorderListing& listing);
void printListingJson(std::ostream& out, const std::string& folder,
                      const rules::RecorderListing& listing);

// `text` as a JSON string literal, quotes included.
std::string jsonString(const std::string& text);

}  // namespace vox::voxctl
