#include "engine/conversion/replacing_output.h"

#include <unistd.h>

#include "platform/files/exclusive_file.h"

namespace vox::conversion {

ReplacingOutput::~ReplacingOutput() {
    if (!temporary_.empty() && !committed_) ::unlink(temporary_.c_str());
}

std::FILE* ReplacingOutput::create() {
    return files::createBeside(destination_, temporary_);
}

bool ReplacingOutput::commit() {
    if (temporary_.empty() || ::rename(temporary_.c_str(), destination_.c_str()) != 0) return false;
    committed_ = true;
    return true;
}

}  // namespace vox::conversion
