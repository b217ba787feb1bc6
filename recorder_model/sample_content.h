#pragma once
// A few plausible files for a recorder that someone wants to try the
// program on: recordings in "A", "B" and "C", music in "MP3", notes in "HD".

#include "recorder_model/flash_file_system.h"

namespace vox::model {

void addSampleContent(FlashFileSystem& fileSystem);

}  // namespace vox::model
